#include "fakes/FakeUi.h"

#include <stdexcept>

namespace fakes {

platform::MessageAnswer FakeUi::ShowMessage(const std::string& text, platform::MessageStyle style) {
    messages.push_back({text, style});
    if (onMessage) onMessage(text);
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

void FakeListView::SetRowCount(int count) {
    if (count < rowCount) selected = 0;
    rowCount = count;
}

void FakeListView::Check(int row) const {
    if (!rows || row < 1 || row > rowCount) throw std::out_of_range("no row " + std::to_string(row));
}

std::string FakeListView::Text(int row, int column) const {
    Check(row);
    return rows->Text(row, column);
}

std::vector<std::string> FakeListView::Texts(int row) const {
    std::vector<std::string> texts;
    for (int column = 0; column < static_cast<int>(columns.size()); ++column) texts.push_back(Text(row, column));
    return texts;
}

bool FakeListView::Checked(int row) const {
    Check(row);
    return rows->Ticked(row);
}

platform::Colour FakeListView::TextColour(int row) const {
    Check(row);
    return rows->TextColour(row).value_or(0);
}

void FakeListView::SetChecked(int row, bool on) {
    Check(row);
    rows->SetTicked(row, on);
}

}  // namespace fakes
