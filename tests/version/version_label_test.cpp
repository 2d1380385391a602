// The page windows' version label in a build of another version than the
// program's: the label follows the one version the build is given.
#include <gtest/gtest.h>

#include "shell/Layouts.h"

TEST(VersionLabel, FollowsTheBuildsVersion) {
    using namespace shell::layout;
    for (Form form : {Form::Scanner, Form::RestoreAndBackup, Form::Settings, Form::Records}) {
        const WindowLayout& layout = LayoutOf(form);
        int found = 0;
        for (const LabelSpec& label : layout.labels)
            if (label.name == "LabelVersion") {
                EXPECT_EQ(label.text, "v9.4") << layout.name;
                ++found;
            }
        EXPECT_EQ(found, 1) << layout.name;
    }
}
