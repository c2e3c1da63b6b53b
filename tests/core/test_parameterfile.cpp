// The parameter file: exact bytes written, profile rules when reading,
// refusal of bad input without touching the editor, and the file functions
// on a real temporary directory.

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "devices/FieldBinding.h"
#include "devices/ParameterTable.h"
#include "parameters/ParameterFile.h"
#include "support/EditorFields.h"
#include "support/TempFolder.h"

using namespace pxr;
using namespace pxr::test;
using namespace std::string_literals;
namespace fs = std::filesystem;

namespace {

// Each control holds its own name, so a line shows which field went where.
MapFieldBinding namedBinding(const std::vector<std::string>& controls)
{
    MapFieldBinding binding;
    for (const std::string& control : controls)
        binding.setFieldText(control, control);
    return binding;
}

// Checks `expected` for the controls it names and empty text for every other
// control of the page.
void expectPage(DeviceType model, const FieldBinding& binding, const Fields& expected)
{
    for (const std::string& control : controlsOf(model)) {
        auto it = expected.find(control);
        EXPECT_EQ(binding.fieldText(control), it == expected.end() ? "" : it->second) << control;
    }
}

const char* const kPXR7XFactoryFile = "[Parameter]\r\nST=0\r\nSA=1\r\nTD=0 0\r\nTM=0 1\r\nSF=1\r\n"
                                      "OF=0\r\nAS=dt\r\nSE=2\r\nRM=0 0 0\r\nSD=d\r\nRB=0\r\n"
                                      "RE=40\r\nAC=2\r\nAH=0.1\r\nAW=100000\r\n";

// ---- writing ----

TEST(ParameterFileText, FactoryValuesOfPXR7XGiveSixteenLines)
{
    const MapFieldBinding fields = bindingWith({
        {"cb_st", "0"}, {"cb_sa", "1"}, {"cb_td", "0"}, {"cb_tl", "0"}, {"cb_tm", "0"},
        {"cb_tml", "1"}, {"cb_sf", "1"}, {"cb_of", "0"}, {"cb_as", "dt"}, {"cb_se", "2"},
        {"cb_rmx", "0"}, {"cb_rmy", "0"}, {"cb_rmz", "0"}, {"cb_sd", "d"}, {"cb_rb", "0"},
        {"cb_re", "40"}, {"cb_ac", "2"}, {"cb_ah", "0.1"}, {"cb_aw", "100000"},
    });
    EXPECT_EQ(parameterFileText(kPXR7X, fields), kPXR7XFactoryFile);
    EXPECT_EQ(parameterFileText(kPXR7X, factoryBinding(kPXR7X, false)), kPXR7XFactoryFile);
}

struct WriteCase {
    const char* name;
    DeviceType model;
    MapFieldBinding fields;
    std::string expected;
};

TEST(ParameterFileText, KeysOrderJoiningAndVerbatimValues)
{
    const std::vector<WriteCase> cases = {
        {"PXR500C with only SA", kPXR500C, bindingWith({{"cb_sa_1", "5"}}),
         "[Parameter]\r\nSA=5\r\nTD= \r\nSF=\r\nAS=\r\nRB=\r\nRE=\r\nAC=\r\nAH=\r\n"},
        {"PXR7X fields to keys", kPXR7X,
         namedBinding({"cb_st", "cb_sa", "cb_td", "cb_tl", "cb_tm", "cb_tml", "cb_sf", "cb_of",
                       "cb_as", "cb_se", "cb_rmx", "cb_rmy", "cb_rmz", "cb_sd", "cb_rb", "cb_re",
                       "cb_ac", "cb_ah", "cb_aw"}),
         "[Parameter]\r\nST=cb_st\r\nSA=cb_sa\r\nTD=cb_td cb_tl\r\nTM=cb_tm cb_tml\r\nSF=cb_sf\r\n"
         "OF=cb_of\r\nAS=cb_as\r\nSE=cb_se\r\nRM=cb_rmx cb_rmy cb_rmz\r\nSD=cb_sd\r\nRB=cb_rb\r\n"
         "RE=cb_re\r\nAC=cb_ac\r\nAH=cb_ah\r\nAW=cb_aw\r\n"},
        {"PXR500C fields to keys", kPXR500C,
         namedBinding({"cb_sa_1", "cb_td_1", "cb_tl_1", "cb_sf_1", "cb_as_1", "cb_rb_1", "cb_re_1",
                       "cb_ac_1", "cb_ah_1"}),
         "[Parameter]\r\nSA=cb_sa_1\r\nTD=cb_td_1 cb_tl_1\r\nSF=cb_sf_1\r\nAS=cb_as_1\r\n"
         "RB=cb_rb_1\r\nRE=cb_re_1\r\nAC=cb_ac_1\r\nAH=cb_ah_1\r\n"},
        {"PXR501/502 fields to keys, hidden SE value and PL included", kPXR501,
         namedBinding({"cb_sa_2", "cb_mf_2", "cb_td_2", "cb_tl_2", "cb_tl_3", "cb_sf_2",
                       "cb_of_2", "cb_as_2", "cb_se_2_1", "cb_se_2_2", "cb_mw_2_1", "cb_mw_2_2",
                       "cb_vp_2", "cb_he_2_1", "cb_he_2_2", "cb_sd_2_1", "cb_sd_2_2", "cb_te_2",
                       "cb_qa_2_1", "cb_qa_2_2", "cb_q1_2_1", "cb_q1_2_2", "cb_q1_2_3",
                       "cb_q1_2_4", "cb_q2_2_1", "cb_q2_2_2", "cb_q2_2_3", "cb_q2_2_4",
                       "cb_sc_2"}),
         "[Parameter]\r\nSA=cb_sa_2\r\nMF=cb_mf_2\r\nTD=cb_td_2 cb_tl_2 cb_tl_3\r\nSF=cb_sf_2\r\n"
         "OF=cb_of_2\r\nAS=cb_as_2\r\nSE=cb_se_2_1 cb_se_2_2\r\nMW=cb_mw_2_1 cb_mw_2_2\r\n"
         "PL=cb_vp_2\r\nHE=cb_he_2_1 cb_he_2_2\r\nSD=cb_sd_2_1 cb_sd_2_2\r\nTE=cb_te_2\r\n"
         "QA=cb_qa_2_1 cb_qa_2_2\r\nQ1=cb_q1_2_1 cb_q1_2_2 cb_q1_2_3 cb_q1_2_4\r\n"
         "Q2=cb_q2_2_1 cb_q2_2_2 cb_q2_2_3 cb_q2_2_4\r\nSC=cb_sc_2\r\n"},
        {"no trimming, no comma rule, no check", kPXR7X,
         bindingWith({{"cb_ah", "0,5"}, {"cb_of", " -1 "}, {"cb_as", "DT"}, {"cb_rmy", "x"}}),
         "[Parameter]\r\nST=\r\nSA=\r\nTD= \r\nTM= \r\nSF=\r\nOF= -1 \r\nAS=DT\r\nSE=\r\n"
         "RM= x \r\nSD=\r\nRB=\r\nRE=\r\nAC=\r\nAH=0,5\r\nAW=\r\n"},
    };
    for (const WriteCase& c : cases)
        EXPECT_EQ(parameterFileText(c.model, c.fields), c.expected) << c.name;
}

// ---- reading ----

struct ReadCase {
    const char* name;
    DeviceType model;
    std::string text;
    Fields expected; // every other field of the page must be empty
    std::size_t keysFound;
};

std::string section(const std::string& lines)
{
    return "[Parameter]\r\n" + lines;
}

TEST(ReadParameterFile, ProfileRulesAndSplitting)
{
    const std::string x3000(3000, 'x');
    const std::string y2047(2047, 'y');
    const std::vector<ReadCase> cases = {
        {"PXR7X file on page PXR501/502", kPXR501, kPXR7XFactoryFile,
         {{"cb_sa_2", "1"}, {"cb_td_2", "0"}, {"cb_tl_2", "0"}, {"cb_sf_2", "1"},
          {"cb_of_2", "0"}, {"cb_as_2", "dt"}, {"cb_se_2_1", "2"}, {"cb_sd_2_1", "d"}},
         7},
        {"lower-case key, blanks around =", kPXR7X, section("td = 100 1\r\n"),
         {{"cb_td", "100"}, {"cb_tl", "1"}}, 1},
        {"two blanks give an empty field", kPXR7X, section("TD=100  1\r\n"), {{"cb_td", "100"}}, 1},
        {"text after the last field is ignored", kPXR7X, section("RM=1 2 3 4\r\n"),
         {{"cb_rmx", "1"}, {"cb_rmy", "2"}, {"cb_rmz", "3"}}, 1},
        {"comma stays", kPXR7X, section("AH=0,5\r\n"), {{"cb_ah", "0,5"}}, 1},
        {"section name in any case", kPXR7X, "[pArAmEtEr]\r\nSA=3\r\n", {{"cb_sa", "3"}}, 1},
        {"blanks inside the brackets, text after them", kPXR7X, "[ Parameter ] x\r\nSA=3\r\n",
         {{"cb_sa", "3"}}, 1},
        {"lines outside the section", kPXR7X, "SA=9\r\n[Parameter]\r\nST=1\r\n[Other]\r\nSA=7\r\n",
         {{"cb_st", "1"}}, 1},
        {"blanks and tabs around key and value", kPXR7X, section(" \tSA\t =  \t5 \t \r\n"),
         {{"cb_sa", "5"}}, 1},
        {"present but empty", kPXR7X, section("SA=\r\nST=2\r\n"), {{"cb_st", "2"}}, 2},
        {"first of two equal keys", kPXR7X, section("SA=1\r\nsa=2\r\n"), {{"cb_sa", "1"}}, 1},
        {"section given twice", kPXR7X,
         "[Parameter]\r\nSA=1\r\n[Other]\r\nST=9\r\n[PARAMETER]\r\nST=2\r\nSA=3\r\n",
         {{"cb_sa", "1"}, {"cb_st", "2"}}, 2},
        {"LF line ends", kPXR7X, "[Parameter]\nSA=4\nTD=5 1\n",
         {{"cb_sa", "4"}, {"cb_td", "5"}, {"cb_tl", "1"}}, 2},
        {"CR line ends", kPXR7X, "[Parameter]\rSA=4\rTD=5 1\r",
         {{"cb_sa", "4"}, {"cb_td", "5"}, {"cb_tl", "1"}}, 2},
        {"mixed line ends, none at the end", kPXR7X, "[Parameter]\r\nSA=4\nST=3\rAW=7",
         {{"cb_sa", "4"}, {"cb_st", "3"}, {"cb_aw", "7"}}, 3},
        {"comment lines", kPXR7X, section("; SA=1\r\n  ;ST=1\r\nSA=2\r\n"), {{"cb_sa", "2"}}, 1},
        {"lines without = or without key", kPXR7X, section("SA\r\n=5\r\nSA=6\r\n"),
         {{"cb_sa", "6"}}, 1},
        {"broken section line keeps the section", kPXR7X, section("[Other\r\nSA=1\r\n"),
         {{"cb_sa", "1"}}, 1},
        {"quotes are kept", kPXR7X, section("SA=\"5\"\r\n"), {{"cb_sa", "\"5\""}}, 1},
        {"a value ends at a NUL byte", kPXR7X, section("SA=5\0 9\r\nST=1\r\n"s),
         {{"cb_sa", "5"}, {"cb_st", "1"}}, 2},
        {"UTF-8 byte-order mark", kPXR7X, "\xEF\xBB\xBF[Parameter]\r\nSA=8\r\n", {{"cb_sa", "8"}}, 1},
        {"keys of other model lines", kPXR7X, section("MF=100\r\nHE=1 2\r\nSA=2\r\n"),
         {{"cb_sa", "2"}}, 1},
        {"value cut to 2047 characters", kPXR7X, section("OF=" + x3000 + "\r\n"),
         {{"cb_of", x3000.substr(0, 2047)}}, 1},
        {"2047 characters read whole", kPXR7X, section("OF=" + y2047 + "\r\n"), {{"cb_of", y2047}}, 1},
        {"cut after trimming", kPXR7X, section("OF=   " + y2047 + "   \r\n"), {{"cb_of", y2047}}, 1},
        {"an endless line", kPXR7X, section("SA=" + std::string(1000000, 'z')),
         {{"cb_sa", std::string(2047, 'z')}}, 1},
        {"empty section", kPXR501, "[Parameter]\r\n", {}, 0},
        {"PXR500C TD of one blank", kPXR500C, section("TD= \r\nSA=5\r\n"), {{"cb_sa_1", "5"}}, 2},
    };
    for (const ReadCase& c : cases) {
        MapFieldBinding fields = prefilled(c.model);
        const ReadResult r = readParameterFile(c.model, c.text, fields);
        EXPECT_TRUE(r.ok) << c.name << ": " << r.error;
        EXPECT_EQ(r.keysFound, c.keysFound) << c.name;
        SCOPED_TRACE(c.name);
        expectPage(c.model, fields, c.expected);
    }
}

TEST(ReadParameterFile, TextOfExactlyOneMebibyteIsRead)
{
    std::string text = section("SA=1\r\n");
    text += std::string(1048576 - text.size(), '\n');
    MapFieldBinding fields = prefilled(kPXR7X);
    EXPECT_TRUE(readParameterFile(kPXR7X, text, fields).ok);
    EXPECT_EQ(fields.fieldText("cb_sa"), "1");
}

struct RefusalCase {
    const char* name;
    std::string text;
    std::string errorPart;
};

std::string garbage(std::size_t size)
{
    std::mt19937 random(12345);
    std::string bytes(size, '\0');
    for (char& c : bytes)
        c = static_cast<char>(random() & 0xFF);
    return bytes;
}

TEST(ReadParameterFile, BadInputLeavesTheFieldsAsTheyWere)
{
    std::string tooLarge = section("SA=1\r\n");
    tooLarge += std::string(1048576 + 1 - tooLarge.size(), ' ');
    const std::vector<RefusalCase> cases = {
        {"empty text", "", "[Parameter]"},
        {"a log file", "Time;Value\r\n0.000;1.25\r\n0.100;1.26\r\n", "[Parameter]"},
        {"binary garbage", garbage(4096), "[Parameter]"},
        {"NUL bytes only", std::string(100, '\0'), "[Parameter]"},
        {"section line without ]", "[Parameter\r\nSA=1\r\n", "[Parameter]"},
        {"another section", "[Parameters]\r\nSA=1\r\n", "[Parameter]"},
        {"UTF-16 text", "\xFF\xFE[\0P\0]\0"s, "UTF-16"},
        {"more than 1 MiB", tooLarge, "1048576"},
        // A character the meter cannot take is refused, named as the file
        // has it: UTF-8 where the bytes are UTF-8, else Windows-1252.
        {"a control byte", section("OF=\x01\xFF\x80 x\r\n"),
         "the value of OF contains the control character 0x01, which the meter cannot take"},
        {"an 8-bit byte", section("OF=5\x80\r\n"), "the value of OF contains \"\xE2\x82\xAC\""},
        {"UTF-8 text", section("SA=5\r\nAH=0,1\xC2\xB0\r\n"), "the value of AH contains \"\xC2\xB0\""},
        {"UTF-8 in a value of several", section("TD=0 \xE2\x82\xAC\r\n"), "the value of TD contains \"\xE2\x82\xAC\""},
    };
    for (const RefusalCase& c : cases) {
        MapFieldBinding fields = prefilled(kPXR7X);
        const ReadResult r = readParameterFile(kPXR7X, c.text, fields);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_NE(r.error.find(c.errorPart), std::string::npos) << c.name << ": " << r.error;
        for (const std::string& control : controlsOf(kPXR7X))
            EXPECT_EQ(fields.fieldText(control), "old") << c.name << " " << control;
    }
}

struct ModelCase {
    const char* name;
    DeviceType model;
    bool is502;
};

const ModelCase kModels[] = {
    {"PXR7X", kPXR7X, false},
    {"PXR500C", kPXR500C, false},
    {"PXR501", kPXR501, false},
    {"PXR502", kPXR501, true},
};

TEST(ReadParameterFile, WrittenFactoryValuesReadBackUnchanged)
{
    for (const ModelCase& m : kModels) {
        const MapFieldBinding written = factoryBinding(m.model, m.is502);
        MapFieldBinding read = prefilled(m.model);
        ASSERT_TRUE(readParameterFile(m.model, parameterFileText(m.model, written), read).ok);
        for (const std::string& control : controlsOf(m.model))
            EXPECT_EQ(read.fieldText(control), written.fieldText(control)) << m.name << " " << control;
    }
}

TEST(UnstorableValue, LineBreaksNulAndLengthAreNamed)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"1\n2", "SA"}, {"1\r", "SA"}, {"1\0"s, "SA"}, {std::string(2048, '1'), "SA"}};
    for (const auto& [value, code] : cases) {
        const std::string reason =
            unstorableValueReason(kPXR7X, bindingWith({{"cb_sa", value}}), 2047);
        EXPECT_NE(reason.find(code), std::string::npos) << reason;
    }
    EXPECT_EQ(unstorableValueReason(kPXR7X, bindingWith({{"cb_sa", std::string(2047, '1')}}), 2047), "");
    // TD of 2046 + blank + 1 is 2048 characters as a whole.
    EXPECT_NE(unstorableValueReason(kPXR7X,
                                    bindingWith({{"cb_td", std::string(2046, '1')}, {"cb_tl", "1"}}),
                                    2047),
              "");
}

// ---- the file functions on disk ----

class ParameterFileOnDisk : public ::testing::Test {
protected:
    // Writable again, so that the folder can go.
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(m_dir / "p.csv", fs::perms::owner_all, fs::perm_options::add, ec);
    }
    // The path in the platform's own form (backslashes on Windows).
    std::string path(const char* name) const { return (m_dir / fs::path(name).make_preferred()).string(); }
    std::string utf8Path(const std::string& name) const { return (m_dir / fs::u8path(name)).u8string(); }
    static std::string contents(const std::string& file)
    {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    static void put(const std::string& file, const std::string& bytes)
    {
        std::ofstream(file, std::ios::binary) << bytes;
    }
    // The names in the folder, sorted, in UTF-8.
    std::vector<std::string> names() const
    {
        std::vector<std::string> list;
        for (const auto& entry : fs::directory_iterator(m_dir))
            list.push_back(entry.path().filename().u8string());
        std::sort(list.begin(), list.end());
        return list;
    }
    TempFolder m_folder{"parameterfile"};
    const fs::path m_dir = m_folder.path();
};

TEST_F(ParameterFileOnDisk, SaveWritesTheFileAndReportsItsPath)
{
    const std::string file = path("p.csv");
    const FileResult r = saveParameterFile(file, kPXR500C, bindingWith({{"cb_sa_1", "5"}}));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.path, file);
    EXPECT_EQ(r.status, " Write: " + file);
    EXPECT_EQ(contents(file), "[Parameter]\r\nSA=5\r\nTD= \r\nSF=\r\nAS=\r\nRB=\r\nRE=\r\nAC=\r\nAH=\r\n");
    EXPECT_EQ(names(), std::vector<std::string>{"p.csv"});
}

TEST_F(ParameterFileOnDisk, SaveReplacesTheWholeOldFileAndKeepsItsRights)
{
    const std::string file = path("p.csv");
    put(file, "[Parameter]\r\nMF=100\r\nQ1=1 2 3 4\r\n[Other]\r\nx=y\r\n");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    const fs::perms rights = fs::status(file).permissions() & fs::perms::all;
#ifndef _WIN32
    // (Windows keeps only a read-only flag: read and write for everyone.)
    ASSERT_EQ(rights, fs::perms::owner_read | fs::perms::owner_write);
#endif
    ASSERT_TRUE(saveParameterFile(file, kPXR7X, factoryBinding(kPXR7X, false)).ok);
    EXPECT_EQ(contents(file), kPXR7XFactoryFile);
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, rights);
}

TEST_F(ParameterFileOnDisk, AFileOfTheUserNamedLikeTheTemporaryIsLeftAlone)
{
    // The save writes beside the target first, under a name of its own; a
    // file the user keeps under such a name is neither emptied nor taken.
    const std::string file = path("p.csv");
    put(file + ".~0", "mine");
    put(file + ".~1", "mine too");
    const FileResult r = saveParameterFile(file, kPXR7X, factoryBinding(kPXR7X, false));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(contents(file), kPXR7XFactoryFile);
    EXPECT_EQ(contents(file + ".~0"), "mine");
    EXPECT_EQ(contents(file + ".~1"), "mine too");
    EXPECT_EQ(names(), (std::vector<std::string>{"p.csv", "p.csv.~0", "p.csv.~1"}));
}

TEST_F(ParameterFileOnDisk, NamesBeyondAsciiAreSavedAndOpenedAsGiven)
{
    // Paths are UTF-8 everywhere; on Windows the ANSI code page would turn
    // them into other names.
    for (const std::string name : {u8"Meßwerte ü.csv", u8"Δ-Parameter.csv", u8"測定.csv"}) {
        const std::string file = utf8Path(name);
        const FileResult saved = saveParameterFile(file, kPXR500C, bindingWith({{"cb_sa_1", "5"}}));
        ASSERT_TRUE(saved.ok) << saved.error;
        EXPECT_EQ(saved.status, " Write: " + file);
        EXPECT_EQ(names(), std::vector<std::string>{name});
        MapFieldBinding fields = prefilled(kPXR500C);
        const FileResult opened = openParameterFile(file, kPXR500C, fields);
        ASSERT_TRUE(opened.ok) << opened.error;
        EXPECT_EQ(opened.status, " Read: " + file);
        EXPECT_EQ(fields.fieldText("cb_sa_1"), "5");
        fs::remove(fs::u8path(file));
    }
}

TEST_F(ParameterFileOnDisk, ForwardSlashesAreReportedWithTheSystemsSeparator)
{
    // Windows takes "C:/Users/.../p.csv" as well; the status bar shows the
    // path as the system writes it.
    const std::string given = m_dir.generic_u8string() + "/sub/p.csv";
    fs::create_directory(m_dir / "sub");
    const FileResult saved = saveParameterFile(given, kPXR7X, factoryBinding(kPXR7X, false));
    ASSERT_TRUE(saved.ok) << saved.error;
    EXPECT_EQ(saved.path, path("sub/p.csv"));
    EXPECT_EQ(contents(path("sub/p.csv")), kPXR7XFactoryFile);
    MapFieldBinding fields = prefilled(kPXR7X);
    EXPECT_EQ(openParameterFile(given, kPXR7X, fields).status, " Read: " + path("sub/p.csv"));
}

TEST_F(ParameterFileOnDisk, SaveOverALinkReplacesTheFileItPointsTo)
{
#ifdef _WIN32
    GTEST_SKIP() << "MinGW's library makes no symbolic links, and Windows lets only administrators";
#endif
    fs::create_directories(m_dir / "shared");
    const std::string target = path("shared/p.csv");
    put(target, "[Parameter]\r\nSA=old\r\n");
    fs::create_symlink("shared/p.csv", path("p.csv"));
    const FileResult r = saveParameterFile(path("p.csv"), kPXR7X, factoryBinding(kPXR7X, false));
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(fs::is_symlink(path("p.csv")));
    EXPECT_EQ(contents(target), kPXR7XFactoryFile);
}

TEST_F(ParameterFileOnDisk, RelativePathIsReportedInFull)
{
    const fs::path before = fs::current_path();
    fs::current_path(m_dir);
    const FileResult r = saveParameterFile("rel.csv", kPXR7X, factoryBinding(kPXR7X, false));
    fs::current_path(before);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.path, path("rel.csv"));
    EXPECT_EQ(r.status, " Write: " + path("rel.csv"));
}

struct SaveFailure {
    const char* name;
    std::string file;
    MapFieldBinding fields;
    bool protect; // write-protect an existing file first
};

TEST_F(ParameterFileOnDisk, FailedSaveKeepsTheOldFileAndNamesIt)
{
    const std::string old = "[Parameter]\r\nSA=old\r\n";
    const std::vector<SaveFailure> cases = {
        {"missing directory", path("nowhere/p.csv"), factoryBinding(kPXR7X, false), false},
        {"write-protected file", path("p.csv"), factoryBinding(kPXR7X, false), true},
        {"target is a directory", m_dir.string(), factoryBinding(kPXR7X, false), false},
        {"value too long to read back", path("p.csv"), bindingWith({{"cb_of", std::string(2048, '7')}}),
         false},
        {"value with a line break", path("p.csv"), bindingWith({{"cb_sa", "1\r\nST=9"}}), false},
    };
    for (const SaveFailure& c : cases) {
        put(path("p.csv"), old);
        if (c.protect)
            fs::permissions(path("p.csv"), fs::perms::owner_read);
        const FileResult r = saveParameterFile(c.file, kPXR7X, c.fields);
        EXPECT_FALSE(r.ok) << c.name;
        EXPECT_EQ(r.status, "") << c.name;
        EXPECT_NE(r.error.find(c.file), std::string::npos) << c.name << ": " << r.error;
        EXPECT_EQ(contents(path("p.csv")), old) << c.name;
        EXPECT_EQ(names(), std::vector<std::string>{"p.csv"}) << c.name;
        fs::permissions(path("p.csv"), fs::perms::owner_all, fs::perm_options::add);
    }
}

TEST_F(ParameterFileOnDisk, OpenLoadsTheFileAndReportsItsPath)
{
    const std::string file = path("p.csv");
    put(file, "[Parameter]\nst = 12\nTD=100  1\n");
    MapFieldBinding fields = prefilled(kPXR7X);
    const FileResult r = openParameterFile(file, kPXR7X, fields);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.status, " Read: " + file);
    expectPage(kPXR7X, fields, {{"cb_st", "12"}, {"cb_td", "100"}});
}

TEST_F(ParameterFileOnDisk, FailedOpenLeavesTheFieldsAndNamesTheFile)
{
    put(path("log.csv"), "Time;Value\r\n0.000;1.25\r\n");
    std::string large = "[Parameter]\r\nSA=1\r\n";
    large.resize(1048577, 'x');
    put(path("large.csv"), large);
    for (const std::string& file :
         {path("missing.csv"), m_dir.string(), path("log.csv"), path("large.csv")}) {
        MapFieldBinding fields = prefilled(kPXR7X);
        const FileResult r = openParameterFile(file, kPXR7X, fields);
        EXPECT_FALSE(r.ok) << file;
        EXPECT_EQ(r.status, "") << file;
        EXPECT_NE(r.error.find(file), std::string::npos) << r.error;
        for (const std::string& control : controlsOf(kPXR7X))
            EXPECT_EQ(fields.fieldText(control), "old") << file << " " << control;
    }
}

TEST_F(ParameterFileOnDisk, SaveThenOpenKeepsEveryFieldOfEveryModelLine)
{
    for (const ModelCase& m : kModels) {
        MapFieldBinding written = factoryBinding(m.model, m.is502);
        written.setFieldText(controlsOf(m.model).back(), std::string(2047, 'w')); // longest value
        ASSERT_TRUE(saveParameterFile(path("p.csv"), m.model, written).ok) << m.name;
        MapFieldBinding read = prefilled(m.model);
        ASSERT_TRUE(openParameterFile(path("p.csv"), m.model, read).ok) << m.name;
        for (const std::string& control : controlsOf(m.model))
            EXPECT_EQ(read.fieldText(control), written.fieldText(control)) << m.name << " " << control;
    }
}

TEST(StatusTexts, WriteAndRead)
{
    EXPECT_EQ(writeStatusText("C:\\Users\\me\\a.csv"), " Write: C:\\Users\\me\\a.csv");
    EXPECT_EQ(readStatusText("/home/me/a.csv"), " Read: /home/me/a.csv");
}

} // namespace
