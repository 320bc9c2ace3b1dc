// Page images as the scan reads them, without the engine: the size their
// headers declare in each kind, and what is refused before decoding (too
// many pixels, no image, a FIFO that sends nothing, a file too large).
#include "scan/page_image.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace tsy::scan {
namespace {

// `bytes` bytes of `value`, most significant first or last.
std::string Big(std::uint64_t value, int bytes) {
    std::string out;
    for (int i = bytes - 1; i >= 0; --i) {
        out += static_cast<char>(value >> (8 * i));
    }
    return out;
}
std::string Little(std::uint64_t value, int bytes) {
    const std::string big = Big(value, bytes);
    return std::string(big.rbegin(), big.rend());
}

std::string Png(std::uint32_t width, std::uint32_t height) {
    return std::string("\x89PNG\r\n\x1a\n", 8) + Big(13, 4) + "IHDR" + Big(width, 4) +
           Big(height, 4) + std::string("\x08\x00\x00\x00\x00", 5) + Big(0, 4);
}

// A start of image, an APP0 segment, a table (DHT) and a frame of `sof`.
std::string Jpeg(unsigned sof, unsigned width, unsigned height) {
    return std::string("\xFF\xD8\xFF\xE0", 4) + Big(16, 2) +
           std::string("JFIF\0\1\1\0\0\1\0\1\0\0", 14) + std::string("\xFF\xFF\xC4", 3) +
           Big(3, 2) + "x" + "\xFF" + static_cast<char>(sof) + Big(17, 2) + "\x08" +
           Big(height, 2) + Big(width, 2) + std::string(12, '\x01');
}

// A little-endian TIFF whose first directory has a width (SHORT) and a
// height (LONG) among other entries.
std::string Tiff(unsigned width, std::uint32_t height) {
    auto entry = [](unsigned tag, unsigned type, std::uint32_t value) {
        return Little(tag, 2) + Little(type, 2) + Little(1, 4) + Little(value, 4);
    };
    return std::string("II*\0", 4) + Little(8, 4) + Little(3, 2) + entry(254, 4, 0) +
           entry(256, 3, width) + entry(257, 4, height) + Little(0, 4);
}

std::string BigTiff(std::uint64_t width, std::uint64_t height) {
    auto entry = [](unsigned tag, std::uint64_t value) {
        return Little(tag, 2) + Little(16, 2) + Little(1, 8) + Little(value, 8);
    };
    return std::string("II+\0", 4) + Little(8, 2) + Little(0, 2) + Little(16, 8) + Little(2, 8) +
           entry(256, width) + entry(257, height) + Little(0, 8);
}

std::string Bmp(std::int32_t width, std::int32_t height) {
    return "BM" + Little(0, 4) + Little(0, 4) + Little(54, 4) + Little(40, 4) +
           Little(static_cast<std::uint32_t>(width), 4) +
           Little(static_cast<std::uint32_t>(height), 4) + Little(1, 2) + Little(24, 2) +
           std::string(24, '\0');
}

TEST(PageImage, TheHeaderOfEachKindTellsItsSize) {
    struct Case {
        const char* name;
        std::string bytes;
        ImageKind kind;  // Unknown: refused
        std::uint32_t width;
        std::uint32_t height;
    };
    const std::string png = Png(640, 480);
    const Case cases[] = {
        {"PNG", png, ImageKind::Png, 640, 480},
        {"PNG of a million by a million", Png(1000000, 1000000), ImageKind::Png, 1000000, 1000000},
        {"PNG cut in its header", png.substr(0, 20), ImageKind::Unknown, 0, 0},
        {"PNG whose first chunk is not IHDR", std::string(png).replace(12, 4, "IDAT"),
         ImageKind::Unknown, 0, 0},
        {"JPEG, baseline", Jpeg(0xC0, 4000, 3000), ImageKind::Jpeg, 4000, 3000},
        {"JPEG, progressive", Jpeg(0xC2, 65535, 65535), ImageKind::Jpeg, 65535, 65535},
        {"JPEG whose scan begins before a frame",
         std::string("\xFF\xD8\xFF\xDA", 4) + Big(8, 2) + std::string(6, '\0'), ImageKind::Unknown,
         0, 0},
        {"JPEG cut before its frame", Jpeg(0xC0, 10, 10).substr(0, 24), ImageKind::Unknown, 0, 0},
        {"TIFF, little-endian", Tiff(3000, 4000), ImageKind::Tiff, 3000, 4000},
        {"TIFF, big-endian",
         std::string("MM\0*", 4) + Big(8, 4) + Big(2, 2) + Big(256, 2) + Big(3, 2) + Big(1, 4) +
             Big(77, 2) + Big(0, 2) + Big(257, 2) + Big(4, 2) + Big(1, 4) + Big(99, 4),
         ImageKind::Tiff, 77, 99},
        {"BigTIFF", BigTiff(200000, 300000), ImageKind::Tiff, 200000, 300000},
        {"TIFF whose directory lies past its end",
         std::string("II*\0", 4) + Little(4000, 4) + std::string(16, '\0'), ImageKind::Unknown, 0,
         0},
        {"TIFF cut in its directory", Tiff(3000, 4000).substr(0, 34) + Little(0, 4),
         ImageKind::Unknown, 0, 0},
        {"BMP, rows bottom up", Bmp(1024, 768), ImageKind::Bmp, 1024, 768},
        {"BMP, rows top down", Bmp(1024, -768), ImageKind::Bmp, 1024, 768},
        {"BMP of the oldest header",
         "BM" + std::string(12, '\0') + Little(12, 4) + Little(320, 2) + Little(200, 2) +
             Little(1, 2) + Little(8, 2),
         ImageKind::Bmp, 320, 200},
        {"PGM with a comment", "P5\n# scanned\n 2480 3508\n255\n", ImageKind::Pnm, 2480, 3508},
        {"PAM", "P7\nWIDTH 7\nHEIGHT 5\nDEPTH 1\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\n",
         ImageKind::Pnm, 7, 5},
        {"PPM cut after its width", "P6 12", ImageKind::Unknown, 0, 0},
        {"PGM of an endless width", "P5 99999999999 1 255\n", ImageKind::Unknown, 0, 0},
        {"GIF", "GIF89a\x10\x00\x10\x00", ImageKind::Unknown, 0, 0},
        {"text", "0010 3E 01 02 03 44\n", ImageKind::Unknown, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const ImageHeader header =
            ReadImageHeader(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size());
        EXPECT_EQ(c.kind, header.kind);
        EXPECT_EQ(c.width, header.width);
        EXPECT_EQ(c.height, header.height);
    }
}

// What a front end that takes a listing or a page takes for a page: never
// a text, whatever letters it begins with.
TEST(PageImage, AFileIsAPageByItsFirstBytesAndNoTextIsOne) {
    struct Case {
        const char* name;
        std::string head;
        bool page;
    };
    const Case cases[] = {
        {"PNG", Png(640, 480), true},
        {"PNG's signature alone", Png(640, 480).substr(0, 8), true},
        {"JPEG", Jpeg(0xC0, 4000, 3000).substr(0, 20), true},
        {"TIFF, little-endian", Tiff(30, 40).substr(0, 8), true},
        {"TIFF, big-endian", std::string("MM\0*", 4) + Big(8, 4), true},
        {"BMP", Bmp(1024, 768), true},
        {"BMP of the oldest header",
         "BM" + std::string(12, '\0') + Little(12, 4) + Little(320, 2) + Little(200, 2) +
             Little(1, 2) + Little(8, 2),
         true},
        {"BMP of two planes", Bmp(1024, 768).replace(26, 2, Little(2, 2)), false},
        {"a listing", "C000 3E 01 02 03 44\r\n", false},
        {"a text that begins with BM",
         "BM loader, type in with the checker program\r\nC000 3E 01 02 03 44\r\n", false},
        {"a text that begins like a PGM", "P5 3 2 255\nC000 3E 01 02 03 44\n", false},
        {"an empty file", "", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string head = c.head.substr(0, kPageHeadSize);
        EXPECT_EQ(c.page, IsPageImageHead(reinterpret_cast<const unsigned char*>(head.data()),
                                          head.size()));
    }
}

class PageImageFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("tsypatch-page-image-" + std::to_string(::getpid()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = (dir_ / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }

    std::filesystem::path dir_;
};

TEST_F(PageImageFile, WhatCannotBeAPageIsRefusedBeforeDecodingAndSaysWhy) {
    const std::string fifo = (dir_ / "fifo.png").string();
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    const std::string huge = (dir_ / "huge.bmp").string();
    std::ofstream(huge, std::ios::binary) << Bmp(10, 10);
    std::filesystem::resize_file(huge, kMaxImageFileBytes + 1);  // sparse
    struct Case {
        const char* name;
        std::string path;
        ImageStatus status;
        int error;  // the system's reason, 0 for none
    };
    const Case cases[] = {
        {"a missing file", (dir_ / "none.png").string(), ImageStatus::OpenFailed, ENOENT},
        {"a folder", dir_.string(), ImageStatus::OpenFailed, EISDIR},
        {"a FIFO without a writer", fifo, ImageStatus::NoData, 0},
        {"an endless device", "/dev/zero", ImageStatus::UnknownKind, 0},
        {"a PNG of a million by a million pixels", Write("big.png", Png(1000000, 1000000)),
         ImageStatus::TooManyPixels, 0},
        {"a PNM just past the bound", Write("big.pgm", "P5 10001 10000 255\n"),
         ImageStatus::TooManyPixels, 0},
        {"a file past the size bound", huge, ImageStatus::FileTooLarge, 0},
        {"a PNG cut after its header", Write("cut.png", Png(64, 64)), ImageStatus::DecodeFailed, 0},
        {"a PGM short of its pixels", Write("cut.pgm", "P5 3 2 255\n\x01\x02"),
         ImageStatus::DecodeFailed, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::internal::CaptureStderr();
        const auto start = std::chrono::steady_clock::now();
        const PageImage image = LoadPageImage(c.path.c_str(), 200);
        const auto took = std::chrono::steady_clock::now() - start;
        // The image libraries' own messages never reach the user.
        EXPECT_EQ("", testing::internal::GetCapturedStderr());
        EXPECT_EQ(c.status, image.status);
        EXPECT_EQ(c.error, static_cast<int>(image.system_error));
        EXPECT_NE('\0', image.message.text[0]);
        EXPECT_EQ(nullptr, image.grey);
        EXPECT_LT(took, std::chrono::seconds(2));
    }
}

TEST_F(PageImageFile, APageComesFromAFileOrAFifoAlike) {
    const std::string pgm = std::string("P5 3 2 255\n") + "\x10\x20\x30\x40\x50\x60";
    const std::string file = Write("page.pgm", pgm);
    const std::string fifo = (dir_ / "page.fifo").string();
    ASSERT_EQ(0, ::mkfifo(fifo.c_str(), 0600));
    // The writer comes late and sends the page in two pieces.
    std::thread writer([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
        const int fd = ::open(fifo.c_str(), O_WRONLY);
        const bool sent =
            fd >= 0 && ::write(fd, pgm.data(), 5) == 5 &&
            (std::this_thread::sleep_for(std::chrono::milliseconds(50)), true) &&
            ::write(fd, pgm.data() + 5, pgm.size() - 5) == static_cast<ssize_t>(pgm.size() - 5);
        ::close(fd);
        EXPECT_TRUE(sent);
    });
    for (const std::string& path : {file, fifo}) {
        SCOPED_TRACE(path);
        const PageImage image = LoadPageImage(path.c_str(), 5000);
        EXPECT_EQ(ImageStatus::Read, image.status);
        EXPECT_EQ(ImageKind::Pnm, image.header.kind);
        EXPECT_EQ(3u, image.header.width);
        EXPECT_EQ(2u, image.header.height);
        EXPECT_NE(nullptr, image.grey);
    }
    writer.join();
}

}  // namespace
}  // namespace tsy::scan
