#include "service/InstanceMatch.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

struct MatchCase {
    const char* what;
    std::u16string rowName;
    std::u16string instance;
    bool matches;
};

TEST(InstanceNameMatches, FollowsThePrefixRuleIgnoringLetterCase) {
    const MatchCase cases[] = {
        {"equal texts", u"SCSI\\DISK&VEN_VELMORA", u"SCSI\\DISK&VEN_VELMORA", true},
        {"longer row name", u"SCSI\\DISK&VEN_VELMORA\\4&1A2B_0", u"SCSI\\DISK&VEN_VELMORA\\4&1A2B", true},
        {"request in small letters", u"SCSI\\DISK&VEN_VELMORA_0", u"scsi\\disk&ven_velmora", true},
        {"row in small letters", u"scsi\\disk&ven_velmora_0", u"SCSI\\DISK&VEN_VELMORA", true},
        {"empty request text", u"ANYTHING", u"", true},
        {"empty request text, empty row", u"", u"", true},
        {"shorter row name", u"SCSI\\DISK", u"SCSI\\DISK&VEN", false},
        {"empty row name", u"", u"S", false},
        {"differs in the last character", u"SCSI\\DISK1", u"SCSI\\DISK2", false},
        {"request is not at the start", u"XSCSI\\DISK", u"SCSI\\DISK", false},
        {"Latin-1 letters", u"LAUFWERK_\u00C4\u00D6\u00DC", u"laufwerk_\u00E4\u00F6\u00FC", true},
        {"Cyrillic letters", u"\u0414\u0418\u0421\u041A", u"\u0434\u0438\u0441\u043A", true},
        {"only letters change case (DEL is not a small underscore)", u"A_B", u"A\u007FB", false},
    };
    for (const MatchCase& c : cases) {
        EXPECT_EQ(InstanceNameMatches(c.rowName, c.instance), c.matches) << c.what;
    }
}

TEST(UpperChar16, MapsSmallLettersAndLeavesEverythingElse) {
    const std::pair<char16_t, char16_t> cases[] = {
        {u'a', u'A'},         {u'z', u'Z'},         {u'A', u'A'},         {u'0', u'0'},
        {u'_', u'_'},         {u'{', u'{'},         {0x00E0, 0x00C0},     {0x00FE, 0x00DE},
        {0x00F7, 0x00F7},     {0x00FF, 0x0178},     {0x00DF, 0x00DF},     {0x0101, 0x0100},
        {0x0100, 0x0100},     {0x013A, 0x0139},     {0x0139, 0x0139},     {0x017E, 0x017D},
        {0x0131, u'I'},       {0x017F, u'S'},       {0x03B1, 0x0391},     {0x03C2, 0x03A3},
        {0x0430, 0x0410},     {0x0451, 0x0401},     {0xFF41, 0xFF21},     {0x4E00, 0x4E00},
    };
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(static_cast<int>(UpperChar16(in)), static_cast<int>(out)) << std::hex << static_cast<int>(in);
    }
}

}  // namespace
}  // namespace velmora
