// The listing of a scan written beside its page: the first free name, never
// an existing file or a link, whole or not at all.
#include "scan/listing_file.h"

#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/faults.h"
#include "tests/unit/test_support.h"

namespace tsy::scan {
namespace {

Decoding TwoRows() {
    Decoding decoding;
    decoding.rows.resize(2);
    decoding.rows[0].text = "C000  3E 01 02 03  44";
    decoding.rows[1].text = "SUM   3E 01 02 03  44";
    return decoding;
}

const char kWritten[] = "C000  3E 01 02 03  44\r\nSUM   3E 01 02 03  44\r\n";

TEST(ListingFile, TakesTheFirstFreeNameAndLeavesWhatIsThere) {
    struct Case {
        const char* name;
        // Beside page.png, each holding "mine", or what follows a line feed
        // in its name.
        std::vector<std::string> files;
        std::vector<std::string> links;  // dangling links beside it
        std::vector<std::string> folders;
        const char* chosen;
    };
    const Case cases[] = {
        {"nothing beside the page", {}, {}, {}, "page.png.txt"},
        {"its listing of an earlier read", {"page.png.txt"}, {}, {}, "page.png (2).txt"},
        {"two taken, one a folder",
         {"page.png.txt", "page.png (2).txt"},
         {},
         {"page.png (3).txt"},
         "page.png (4).txt"},
        {"a link to nowhere", {}, {"page.png.txt"}, {}, "page.png (2).txt"},
        {"the same listing read before, under the second name",
         {"page.png.txt", std::string("page.png (2).txt\n") + kWritten},
         {},
         {},
         "page.png (2).txt"},
        {"the same listing and one line more",
         {std::string("page.png.txt\n") + kWritten + "C008"},
         {},
         {},
         "page.png (2).txt"},
        {"a gap among the taken names",
         {"page.png.txt", "page.png (3).txt"},
         {},
         {},
         "page.png (2).txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::TempDir dir;
        const std::string image = dir.File("page.png");
        for (const std::string& file : c.files) {
            const std::size_t end = file.find('\n');
            test::WriteFile(dir.File(file.substr(0, end)),
                            end == std::string::npos ? "mine" : file.substr(end + 1));
        }
        for (const std::string& name : c.links) {
            ASSERT_EQ(0, ::symlink(dir.File("gone").c_str(), dir.File(name).c_str()));
        }
        for (const std::string& name : c.folders) {
            std::filesystem::create_directory(dir.File(name));
        }
        const ListingFile file = WriteListingBeside(image.c_str(), TwoRows(), 260);
        ASSERT_TRUE(file.written);
        EXPECT_EQ(dir.File(c.chosen), file.path);
        EXPECT_EQ(kWritten, test::ReadFile(file.path));
        for (const std::string& file : c.files) {
            const std::size_t end = file.find('\n');
            EXPECT_EQ(end == std::string::npos ? "mine" : file.substr(end + 1),
                      test::ReadFile(dir.File(file.substr(0, end))));
        }
        for (const std::string& name : c.links) {
            EXPECT_FALSE(std::filesystem::exists(dir.File("gone")));
            EXPECT_TRUE(std::filesystem::is_symlink(dir.File(name)));
        }
    }
}

TEST(ListingFile, WhatCannotBeWrittenLeavesNothing) {
    test::TempDir dir;
    const std::string image = dir.File("page.png");
    const std::size_t fits = image.size() + sizeof ".txt";

    // No room for the name.
    ListingFile file = WriteListingBeside(image.c_str(), TwoRows(), fits - 1);
    EXPECT_FALSE(file.written);
    EXPECT_EQ("", file.path);

    // A folder one may not write.
    platform::InjectFault(platform::FaultPoint::Create, EACCES);
    file = WriteListingBeside(image.c_str(), TwoRows(), fits);
    EXPECT_FALSE(file.written);
    EXPECT_EQ(image + ".txt", file.path);
    EXPECT_EQ(static_cast<std::uint32_t>(EACCES), file.system_error);
    EXPECT_TRUE(std::filesystem::is_empty(dir.Path()));

    // A short write is carried on to the end.
    platform::InjectFault(platform::FaultPoint::Write, 0);
    file = WriteListingBeside(image.c_str(), TwoRows(), fits);
    EXPECT_TRUE(file.written);
    EXPECT_EQ(kWritten, test::ReadFile(file.path));
    platform::ClearFaults();
}

}  // namespace
}  // namespace tsy::scan
