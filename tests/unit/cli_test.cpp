// The command line's option parsing and its listing of changed memory.
#include <cstdio>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "cli/diff.h"
#include "cli/options.h"
#include "resources/cli_texts.h"

namespace tsy::cli {
namespace {

CliOptions Parse(std::vector<std::string> args) {
    args.insert(args.begin(), "tsypatch");
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(&a[0]);
    }
    argv.push_back(nullptr);
    return ParseOptions(static_cast<int>(args.size()), argv.data());
}

TEST(CliOptions, DefaultsAreTheDialogsInitialValues) {
    const CliOptions o = Parse({"s.tsy", "d.txt"});
    ASSERT_EQ(Mode::Apply, o.mode);
    EXPECT_EQ("s.tsy", o.state_path);
    EXPECT_EQ("d.txt", o.dump_path);
    EXPECT_FALSE(o.dump.binary_mode);
    EXPECT_TRUE(o.dump.listing.checksum);
    EXPECT_FALSE(o.dump.listing.address_sum || o.dump.listing.lower_address_only ||
                 o.dump.listing.ohmz_sum || o.dump.listing.ohx_crc || o.dump.unix_text);
    EXPECT_STREQ("8000", o.dump.start_address);
    EXPECT_EQ(4096u, o.dump.memory_offset);
    EXPECT_TRUE(o.format_check);
    EXPECT_FALSE(o.dry_run || o.write_partial || o.diff);
}

TEST(CliOptions, EveryOptionSetsItsField) {
    // A binary dump's options and a listing's, each set alone as the dialog
    // offers them.
    const CliOptions o = Parse({"-b", "--start=c0f", "-u", "-o", "0", "--no-format-check", "-n",
                                "--write-partial", "--diff", "s.tsy", "d.bin"});
    ASSERT_EQ(Mode::Apply, o.mode) << o.error;
    EXPECT_TRUE(o.dump.binary_mode && o.dump.unix_text);
    EXPECT_STREQ("c0f", o.dump.start_address);
    EXPECT_EQ(0u, o.dump.memory_offset);
    EXPECT_FALSE(o.format_check);
    EXPECT_TRUE(o.dry_run && o.write_partial && o.diff);
    const CliOptions l = Parse(
        {"--no-checksum", "--address-sum", "--lower-address-only", "--ohmz", "--ohx", "s", "d"});
    ASSERT_EQ(Mode::Apply, l.mode) << l.error;
    EXPECT_FALSE(l.dump.listing.checksum);
    EXPECT_TRUE(l.dump.listing.address_sum && l.dump.listing.lower_address_only &&
                l.dump.listing.ohmz_sum && l.dump.listing.ohx_crc);
}

// What the dialog's enable rules never allow is a usage error naming the
// option and the one it needs or excludes.
TEST(CliOptions, CombinationsTheDialogRulesOut) {
    struct Case {
        std::vector<std::string> args;
        const char* option;
        const char* other;
    };
    const Case cases[] = {
        {{"--lower-address-only", "s.tsy", "d.txt"}, "--lower-address-only", "--address-sum"},
        {{"check", "--lower-address-only", "l.txt"}, "--lower-address-only", "--address-sum"},
        {{"-b", "--ohx", "s.tsy", "d.bin"}, "--ohx", "--binary"},
        {{"--no-checksum", "--binary", "s.tsy", "d.bin"}, "--no-checksum", "--binary"},
        {{"-s", "C000", "s.tsy", "d.txt"}, "--start", "--binary"},
        {{"--unix-text", "s.tsy", "d.txt"}, "--unix-text", "--binary"},
        {{"--detect", "s.tsy", "d.txt"}, "--detect", "check"},
        {{"check", "--detect", "--ohmz", "l.txt"}, "--ohmz", "--detect"},
    };
    for (const Case& c : cases) {
        const CliOptions o = Parse(c.args);
        ASSERT_EQ(Mode::UsageError, o.mode) << ::testing::PrintToString(c.args);
        const std::size_t at = o.error.find(c.option);
        EXPECT_EQ(0u, at) << o.error;
        EXPECT_NE(std::string::npos, o.error.find(c.other, at + 1)) << o.error;
    }
    EXPECT_TRUE(Parse({"check", "--detect", "l.txt"}).detect);
}

TEST(CliOptions, UsageErrors) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"s.tsy"},
        {"s.tsy", "d.txt", "extra"},
        {"--offset=", "s.tsy", "d.txt"},
        {"-o", "-1", "s.tsy", "d.txt"},
        {"-o", "+5", "s.tsy", "d.txt"},
        {"-o", "4294967296", "s.tsy", "d.txt"},
        {"-o", "12x", "s.tsy", "d.txt"},
        {"--bogus", "s.tsy", "d.txt"},
        {"-x", "s.tsy", "d.txt"},
        {"s.tsy", "d.txt", "-s"},
        {"s.tsy", std::string(300, 'a')},
        {"check", "--binary", "l.txt"},
        {"check", "-n", "l.txt"},
        {"check"},
        {"", "d.txt"},
        {"s.tsy", ""},
        {"check", ""},
    };
    for (const auto& args : cases) {
        const CliOptions o = Parse(args);
        EXPECT_EQ(Mode::UsageError, o.mode) << ::testing::PrintToString(args);
        EXPECT_FALSE(o.error.empty());
    }
}

TEST(CliOptions, AUsageErrorQuotesTheOptionAsGiven) {
    struct Case {
        std::vector<std::string> args;
        std::string quoted;
    };
    const Case cases[] = {
        {{"-xb", "s.tsy", "d.txt"}, "-x"},  // in a group, before its end
        {{"-bx", "s.tsy", "d.txt"}, "-x"},
        {{"--diff", "-xb", "s.tsy", "d.txt"}, "-x"},
        {{"s.tsy", "--bogus", "d.txt"}, "--bogus"},
        {{"--binary=1", "s.tsy", "d.txt"}, "--binary=1"},
        {{"s.tsy", "d.txt", "-bs"}, "-s"},
        {{"s.tsy", "d.txt", "--start"}, "--start"},
        {{"check", "--ohx", "-nb", "l.txt"}, "-n"},
        {{"check", "--dry-run", "l.txt"}, "--dry-run"},
    };
    for (const Case& c : cases) {
        const CliOptions o = Parse(c.args);
        ASSERT_EQ(Mode::UsageError, o.mode) << ::testing::PrintToString(c.args);
        const std::string tail = ": " + c.quoted;
        EXPECT_TRUE(o.error.size() > tail.size() &&
                    o.error.compare(o.error.size() - tail.size(), tail.size(), tail) == 0)
            << ::testing::PrintToString(c.args) << " -> " << o.error;
    }
}

// Unlike the dialog's field, --start takes one to four hexadecimal digits
// and nothing else.
TEST(CliOptions, StartAddressIsStrict) {
    const struct {
        const char* given;
        bool taken;
    } cases[] = {
        {"C000", true},  {"0", true},    {"ffff", true},  {"12345", false},        {"", false},
        {"ZZZZ", false}, {"0x", false},  {"0x10", false}, {" C000", false},        {"C000 ", false},
        {"-1", false},   {"+10", false}, {"C0G0", false}, {"\xEF\xBC\xA3", false},
    };
    for (const auto& c : cases) {
        const CliOptions o = Parse({"-b", std::string("--start=") + c.given, "s.tsy", "d.bin"});
        EXPECT_EQ(c.taken ? Mode::Apply : Mode::UsageError, o.mode) << "[" << c.given << "]";
        if (c.taken) {
            EXPECT_STREQ(c.given, o.dump.start_address);
        }
    }
}

TEST(CliOptions, OffsetRange) {
    std::uint32_t v = 7;
    EXPECT_TRUE(ParseOffset("4294967295", &v));
    EXPECT_EQ(4294967295u, v);
    EXPECT_TRUE(ParseOffset("0", &v));
    EXPECT_EQ(0u, v);
    EXPECT_FALSE(ParseOffset("99999999999999999999", &v));
    EXPECT_FALSE(ParseOffset(" 1", &v));
}

TEST(CliOptions, CheckTakesListingOptionsAndOneListing) {
    const CliOptions o = Parse({"check", "--ohmz", "--no-checksum", "l.txt"});
    ASSERT_EQ(Mode::Check, o.mode) << o.error;
    EXPECT_EQ("l.txt", o.dump_path);
    EXPECT_TRUE(o.dump.listing.ohmz_sum);
    EXPECT_FALSE(o.dump.listing.checksum);
    // A second parse starts afresh.
    EXPECT_EQ(Mode::Help, Parse({"--help"}).mode);
    EXPECT_EQ(Mode::Version, Parse({"-V"}).mode);
}

// Each subcommand: what it takes, and what it says when its files are missing.
TEST(CliOptions, Subcommands) {
    const CliOptions restore = Parse({"restore", "s.tsy"});
    ASSERT_EQ(Mode::Restore, restore.mode) << restore.error;
    EXPECT_EQ("s.tsy", restore.state_path);
    const CliOptions scan = Parse({"scan", "-o", "out.txt", "--output=o2.txt", "p.png"});
    ASSERT_EQ(Mode::Scan, scan.mode) << scan.error;
    EXPECT_EQ("o2.txt", scan.output_path);  // -o names the output in scan, as --output
    EXPECT_EQ(4096u, scan.dump.memory_offset);
    const CliOptions help = Parse({"check", "--ohx", "-h"});
    EXPECT_EQ(Mode::Help, help.mode);
    EXPECT_EQ(Command::Check, help.command);

    const struct {
        std::vector<std::string> args;
        Command command;
        const char* message;  // Shift-JIS
    } errors[] = {
        {{}, Command::Apply, text::kCliMissingPaths},
        {{"check"}, Command::Check, text::kCliMissingListing},
        {{"restore"}, Command::Restore, text::kCliMissingRestoreState},
        {{"scan"}, Command::Scan, text::kCliMissingImages},
    };
    for (const auto& e : errors) {
        const CliOptions o = Parse(e.args);
        EXPECT_EQ(Mode::UsageError, o.mode);
        EXPECT_EQ(e.command, o.command);
        EXPECT_EQ(e.message, o.error);
    }
    for (const auto& args :
         std::vector<std::vector<std::string>>{{"restore", "-n", "s.tsy"},
                                               {"restore", "a", "b"},
                                               {"scan", "--offset=0", "p.png"},
                                               {"check", "-o", "x", "l.txt"},
                                               {"--output=x", "s.tsy", "d.txt"}}) {
        EXPECT_EQ(Mode::UsageError, Parse(args).mode) << ::testing::PrintToString(args);
    }
}

// Each subcommand's help names its own options and no other.
TEST(CliOptions, HelpOfEachSubcommand) {
    const struct {
        Command command;
        std::vector<const char*> shown;
        std::vector<const char*> not_shown;
    } cases[] = {
        {Command::Apply, {"-b, --binary", "-o, --offset=N", "--write-partial"}, {"--output"}},
        {Command::Check, {"--detect", "--ohx", "-h, --help"}, {"--binary", "--offset", "-o,"}},
        {Command::Scan, {"-o, --output=FILE", "--ohmz"}, {"--offset", "--detect", "--diff"}},
        {Command::Restore, {"-h, --help"}, {"--binary", "--ohx", "--dry-run"}},
    };
    for (const auto& c : cases) {
        const std::string help = OptionHelp(c.command);
        for (const char* option : c.shown) {
            EXPECT_NE(std::string::npos, help.find(option)) << option << " in\n" << help;
        }
        for (const char* option : c.not_shown) {
            EXPECT_EQ(std::string::npos, help.find(option)) << option << " in\n" << help;
        }
    }
}

TEST(CliOptions, TheProgramIsNamedAsItIsCalled) {
    const std::pair<const char*, const char*> cases[] = {
        {"tsypatch", "tsypatch"},
        {"/usr/local/bin/tsypatch", "tsypatch"},
        {"C:\\Tools\\tsypatch-cli.exe", "tsypatch-cli"},
        {"tsypatch-cli.EXE", "tsypatch-cli"},
        {"", "tsypatch"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.second, ProgramName(c.first)) << c.first;
    }
}

std::string Diff(const std::vector<unsigned char>& before, const std::vector<unsigned char>& after,
                 std::uint32_t offset, std::uint32_t* changed) {
    std::FILE* out = std::tmpfile();
    *changed = PrintDiff(out, before.data(), after.data(),
                         static_cast<std::uint32_t>(before.size()), offset, 0);
    std::rewind(out);
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;) {
        text += static_cast<char>(c);
    }
    std::fclose(out);
    return text;
}

// One row as printed: the old bytes padded to a full row of eight.
std::string Row(const char* address, const std::string& old_bytes, const std::string& new_bytes) {
    const std::size_t width = 8 * 3 - 1;
    return std::string(address) + ": " + old_bytes + std::string(width - old_bytes.size(), ' ') +
           " -> " + new_bytes + "\n";
}

TEST(PrintDiff, ShowsChangedRowsWithNearbyChangesTogether) {
    std::vector<unsigned char> before(16 + 0x10000, 0);
    std::vector<unsigned char> after = before;
    after[16 + 0xC000] = 0x21;
    after[16 + 0xC002] = 0xD0;  // one unchanged byte between: the same row
    after[16 + 0xD000] = 0x01;
    std::uint32_t changed = 0;
    const std::string text = Diff(before, after, 16, &changed);
    EXPECT_EQ(3u, changed);
    EXPECT_NE(std::string::npos, text.find(Row("C000", "00 00 00", "21 00 D0"))) << text;
    EXPECT_NE(std::string::npos, text.find(Row("D000", "00", "01"))) << text;
}

TEST(PrintDiff, ImageEdgesAndNoChange) {
    // An image that ends inside emulated memory: its last byte is compared,
    // nothing beyond it; the bytes before the offset are not memory.
    std::vector<unsigned char> before(4096 + 0x100, 0);
    std::vector<unsigned char> after = before;
    after[0] = 0x55;
    after[4096] = 0x01;
    after.back() = 0xFF;
    std::uint32_t changed = 0;
    const std::string text = Diff(before, after, 4096, &changed);
    EXPECT_EQ(2u, changed);
    EXPECT_NE(std::string::npos, text.find(Row("0000", "00", "01"))) << text;
    EXPECT_NE(std::string::npos, text.find(Row("00FF", "00", "FF"))) << text;

    after = before;
    EXPECT_EQ(0u, (Diff(before, after, 4096, &changed), changed));
    // An offset beyond the image leaves nothing to compare.
    after[10] = 1;
    EXPECT_EQ(0u, (Diff(before, after, 0xFFFFFFFFu, &changed), changed));
}

}  // namespace
}  // namespace tsy::cli
