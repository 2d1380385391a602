#include "fakes/FakeUi.h"

#include <stdexcept>

namespace fakes {

platform::MessageAnswer FakeUi::ShowMessage(const std::string& text, platform::MessageStyle style) {
    messages.push_back({text, style});
    if (style != platform::MessageStyle::Question) return platform::MessageAnswer::Ok;
    if (answers.empty()) return platform::MessageAnswer::Yes;
    const platform::MessageAnswer answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeUi::DoEvents() {
    ++yields;
    if (onYield) onYield(yields);
}

double FakeUi::SecondsSinceMidnight() {
    const double now = clock;
    clock += clockStep;
    return now;
}

FakeListView::Row& FakeListView::At(int row) {
    if (row < 1 || row > RowCount()) throw std::out_of_range("no row " + std::to_string(row));
    return rows[row - 1];
}

const FakeListView::Row& FakeListView::At(int row) const { return const_cast<FakeListView*>(this)->At(row); }

int FakeListView::AddRow(const std::string& text) {
    if (++adds == failAddAt) return 0;
    rows.push_back(Row{{text}, false, 0});
    return RowCount();
}

void FakeListView::SetText(int row, int column, const std::string& text) {
    Row& r = At(row);
    if (static_cast<int>(r.texts.size()) <= column) r.texts.resize(column + 1);
    r.texts[column] = text;
}

std::string FakeListView::Text(int row, int column) const {
    const Row& r = At(row);
    return column < static_cast<int>(r.texts.size()) ? r.texts[column] : std::string();
}

}  // namespace fakes
