#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "update/FileNameFromUrl.h"
#include "update/SemicolonList.h"

namespace velmora::update {
namespace {

struct ListCase {
    std::string Text;
    std::vector<std::string> Entries;  // what the list holds, as the reply's rules read it
};

TEST(SemicolonList, HoldsExactlyTheEntriesBetweenSeparators) {
    const ListCase cases[] = {
        {"", {}},
        {"FW1", {"FW1"}},
        {"FW1;FW2", {"FW1", "FW2"}},
        {"FW1;", {"FW1"}},
        {"FW1;;", {"FW1", ""}},
        {";FW1", {"", "FW1"}},
        {"FW1;;FW2", {"FW1", "", "FW2"}},
        {";", {""}},
        {" FW1 ; FW2", {" FW1 ", " FW2"}},
        {"FW10;XFW1;FW1X", {"FW10", "XFW1", "FW1X"}},
        {"FW1FW1;FW1", {"FW1FW1", "FW1"}},
        {"FW1;FW2;", {"FW1", "FW2"}},
    };
    for (const auto& c : cases) {
        for (const std::string probe : {"", "FW1", "FW2", " FW1 ", " FW2", "FW", "FW1;FW2", ";", "FW1;"}) {
            bool inList = false;
            for (const auto& entry : c.Entries) inList = inList || entry == probe;
            EXPECT_EQ(SemicolonListContains(c.Text, probe), inList) << "text '" << c.Text << "' probe '" << probe << "'";
        }
    }
}

TEST(FileNameFromUrl, TakesTheTextAfterTheLastSlashOrBackslash) {
    const std::pair<std::string, std::string> cases[] = {
        {"http://h/d/tool_1.02.exe", "tool_1.02.exe"},
        {"http://h/d\\fw.zip", "fw.zip"},
        {"http://h/a\\b/c", "c"},
        {"http://h/dir/", ""},
        {"nothing", ""},
        {"", ""},
        {"/x", "x"},
        {"http://h/get?f=a.bin", "get?f=a.bin"},
    };
    for (const auto& [url, name] : cases) EXPECT_EQ(FileNameFromUrl(url), name) << url;
}

}  // namespace
}  // namespace velmora::update
