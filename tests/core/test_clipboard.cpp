// Export to and import from the clipboard: the exported text, the import
// rules that differ from the parameter file, and refusal of text that holds
// no parameter.

#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "parameters/ParameterClipboard.h"
#include "parameters/ParameterFile.h"
#include "support/EditorFields.h"

using namespace pxr;
using namespace pxr::test;
using namespace std::string_literals;

namespace {

void expectPage(DeviceType model, const FieldBinding& binding, const Fields& expected)
{
    for (const std::string& control : controlsOf(model)) {
        auto it = expected.find(control);
        EXPECT_EQ(binding.fieldText(control), it == expected.end() ? "" : it->second) << control;
    }
}

TEST(ClipboardExport, FactoryAndPartlyEmptyTexts)
{
    const ClipboardResult pxr7x = exportParameterText(kPXR7X, factoryBinding(kPXR7X, false));
    ASSERT_TRUE(pxr7x.ok);
    EXPECT_EQ(pxr7x.text, "ST=0\r\nSA=1\r\nTD=0 0\r\nTM=0 1\r\nSF=1\r\nOF=0\r\nAS=dt\r\nSE=2\r\n"
                          "RM=0 0 0\r\nSD=d\r\nRB=0\r\nRE=40\r\nAC=2\r\nAH=0.1\r\nAW=100000\r\n");
    EXPECT_EQ(pxr7x.status, " Export to Clipboard");

    const ClipboardResult pxr500c = exportParameterText(kPXR500C, bindingWith({{"cb_sa_1", "5"}}));
    ASSERT_TRUE(pxr500c.ok);
    EXPECT_EQ(pxr500c.text, "SA=5\r\nTD= \r\nSF=\r\nAS=\r\nRB=\r\nRE=\r\nAC=\r\nAH=\r\n");

    // The hidden second SE value travels like any other.
    const ClipboardResult pxr501 =
        exportParameterText(kPXR501, bindingWith({{"cb_se_2_1", "1"}, {"cb_se_2_2", "2"}}));
    ASSERT_TRUE(pxr501.ok);
    EXPECT_NE(pxr501.text.find("\r\nSE=1 2\r\n"), std::string::npos);
    EXPECT_EQ(pxr501.text.compare(0, 4, "SA=\r"), 0);
}

TEST(ClipboardExport, ValueWithALineBreakIsNotExported)
{
    for (const std::string& value : {"1\r\nST=9"s, "1\n"s, "1\0"s}) {
        const ClipboardResult r = exportParameterText(kPXR7X, bindingWith({{"cb_sa", value}}));
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.text, "");
        EXPECT_NE(r.error.find("SA"), std::string::npos) << r.error;
    }
}

struct ImportCase {
    const char* name;
    DeviceType model;
    std::string text;
    Fields expected; // every other field of the page must be empty
};

TEST(ClipboardImport, ReadingRules)
{
    const std::string long5000(5000, 'v');
    const std::vector<ImportCase> cases = {
        {"lower-case code", kPXR7X, "st=12", {{"cb_st", "12"}}},
        {"blank before = counts for no code", kPXR7X, "ST = 12\r\nSA=3\r\n", {{"cb_sa", "3"}}},
        {"leading blank shifts the fields", kPXR7X, "TD= 100 1", {{"cb_tl", "100"}}},
        {"leading and trailing blanks stay", kPXR7X, "ST= 5\r\nOF=-1 \r\n",
         {{"cb_st", " 5"}, {"cb_of", "-1 "}}},
        {"first counting line wins", kPXR7X, "SA=1\r\nSA=2\r\n", {{"cb_sa", "1"}}},
        {"a line with a blank before = does not shadow", kPXR7X, "SA =1\r\nSA=2\r\n", {{"cb_sa", "2"}}},
        {"section line, lines without = and other codes", kPXR7X,
         "[Parameter]\r\nhello\r\nMF=100\r\n=7\r\nAW=3\r\n", {{"cb_aw", "3"}}},
        {"everything after the first =", kPXR7X, "ST==5\r\nSD=a=b\r\n",
         {{"cb_st", "=5"}, {"cb_sd", "a=b"}}},
        {"two blanks give an empty field, rest ignored", kPXR7X, "RM=1  2 3\r\n",
         {{"cb_rmx", "1"}, {"cb_rmz", "2"}}},
        {"comma stays", kPXR7X, "AH=0,5\r\n", {{"cb_ah", "0,5"}}},
        {"LF line ends", kPXR7X, "SA=1\nST=2\n", {{"cb_sa", "1"}, {"cb_st", "2"}}},
        {"CR line ends", kPXR7X, "SA=1\rST=2\r", {{"cb_sa", "1"}, {"cb_st", "2"}}},
        {"no length limit", kPXR7X, "OF=" + long5000, {{"cb_of", long5000}}},
        {"text ends at a NUL byte", kPXR7X, "SA=1\0\r\nST=2\r\n"s, {{"cb_sa", "1"}}},
        {"PXR7X text on page PXR501/502", kPXR501,
         "ST=0\r\nSA=1\r\nTD=0 0\r\nTM=0 1\r\nSF=1\r\nOF=0\r\nAS=dt\r\nSE=2\r\nRM=0 0 0\r\nSD=d\r\n",
         {{"cb_sa_2", "1"}, {"cb_td_2", "0"}, {"cb_tl_2", "0"}, {"cb_sf_2", "1"},
          {"cb_of_2", "0"}, {"cb_as_2", "dt"}, {"cb_se_2_1", "2"}, {"cb_sd_2_1", "d"}}},
        {"four values of Q1", kPXR501, "q1=1 2 3 4 5", {{"cb_q1_2_1", "1"}, {"cb_q1_2_2", "2"},
                                                        {"cb_q1_2_3", "3"}, {"cb_q1_2_4", "4"}}},
    };
    for (const ImportCase& c : cases) {
        MapFieldBinding fields = prefilled(c.model);
        const ClipboardResult r = importParameterText(c.model, c.text, fields);
        EXPECT_TRUE(r.ok) << c.name << ": " << r.error;
        EXPECT_EQ(r.status, " Import from Clipboard") << c.name;
        SCOPED_TRACE(c.name);
        expectPage(c.model, fields, c.expected);
    }
}

TEST(ClipboardImport, TextWithoutParametersLeavesTheFields)
{
    std::string huge = "SA=1\r\n";
    huge.resize(1048577, ' ');
    for (const std::string& text : {""s, "ST = 12"s, "Time;Value\r\n0.000;1.25\r\n"s,
                                    "[Parameter]\r\n"s, "\0SA=1"s, huge}) {
        MapFieldBinding fields = prefilled(kPXR7X);
        const ClipboardResult r = importParameterText(kPXR7X, text, fields);
        EXPECT_FALSE(r.ok) << text.substr(0, 20);
        EXPECT_EQ(r.status, "");
        EXPECT_FALSE(r.error.empty());
        for (const std::string& control : controlsOf(kPXR7X))
            EXPECT_EQ(fields.fieldText(control), "old") << control;
    }
}

TEST(ClipboardImport, SavedFileImportsLikeOpenExceptOuterBlanks)
{
    const MapFieldBinding edited =
        bindingWith({{"cb_sa", "4"}, {"cb_of", " 5"}, {"cb_ah", "0.1 "}, {"cb_td", "7"}, {"cb_tl", "1"}});
    const std::string file = parameterFileText(kPXR7X, edited);

    MapFieldBinding imported = prefilled(kPXR7X);
    ASSERT_TRUE(importParameterText(kPXR7X, file, imported).ok);
    MapFieldBinding opened = prefilled(kPXR7X);
    ASSERT_TRUE(readParameterFile(kPXR7X, file, opened).ok);

    expectPage(kPXR7X, imported, {{"cb_sa", "4"}, {"cb_of", " 5"}, {"cb_ah", "0.1 "}, {"cb_td", "7"},
                                  {"cb_tl", "1"}});
    expectPage(kPXR7X, opened, {{"cb_sa", "4"}, {"cb_of", "5"}, {"cb_ah", "0.1"}, {"cb_td", "7"},
                                {"cb_tl", "1"}});
}

TEST(ClipboardImport, ExportThenImportKeepsEveryFieldOfEveryModelLine)
{
    const struct {
        const char* name;
        DeviceType model;
        bool is502;
    } models[] = {{"PXR7X", kPXR7X, false}, {"PXR500C", kPXR500C, false},
                  {"PXR501", kPXR501, false}, {"PXR502", kPXR501, true}};
    for (const auto& m : models) {
        const MapFieldBinding written = factoryBinding(m.model, m.is502);
        const ClipboardResult exported = exportParameterText(m.model, written);
        ASSERT_TRUE(exported.ok) << m.name;
        MapFieldBinding read = prefilled(m.model);
        ASSERT_TRUE(importParameterText(m.model, exported.text, read).ok) << m.name;
        for (const std::string& control : controlsOf(m.model))
            EXPECT_EQ(read.fieldText(control), written.fieldText(control)) << m.name << " " << control;
    }
}

TEST(ClipboardImport, BlankInsideAFieldMovesIntoTheNextField)
{
    MapFieldBinding fields = bindingWith({{"cb_td", "1 2"}, {"cb_tl", "3"}, {"cb_sa", "a b"}});
    const ClipboardResult exported = exportParameterText(kPXR7X, fields);
    ASSERT_TRUE(exported.ok);
    ASSERT_TRUE(importParameterText(kPXR7X, exported.text, fields).ok);
    EXPECT_EQ(fields.fieldText("cb_td"), "1");
    EXPECT_EQ(fields.fieldText("cb_tl"), "2"); // the 3 is lost
    EXPECT_EQ(fields.fieldText("cb_sa"), "a b"); // one-value codes take the whole rest
}

// A character the meter cannot take is refused with the code and the
// character named (the GUI hands the clipboard's text in as UTF-8); the
// fields stay as they were.
TEST(ClipboardImport, CharacterTheMeterCannotTakeIsRefused)
{
    const std::pair<std::string, std::string> cases[] = {
        {"SA=5\xE2\x82\xAC\r\n", "the value of SA contains \"\xE2\x82\xAC\""},
        {"ST=1\r\nRM=1 2\xC2\xB0 3\r\n", "the value of RM contains \"\xC2\xB0\""},
        {"OF=\x01\r\n", "the value of OF contains the control character 0x01"},
    };
    for (const auto& [text, part] : cases) {
        MapFieldBinding fields = bindingWith({{"cb_sa", "4"}, {"cb_st", "2"}});
        const ClipboardResult r = importParameterText(kPXR7X, text, fields);
        EXPECT_FALSE(r.ok) << text;
        EXPECT_NE(r.error.find(part), std::string::npos) << r.error;
        EXPECT_EQ(r.error.rfind("Cannot import from the clipboard: ", 0), 0u) << r.error;
        EXPECT_EQ(fields.fieldText("cb_sa"), "4");
        EXPECT_EQ(fields.fieldText("cb_st"), "2");
    }
}

} // namespace
