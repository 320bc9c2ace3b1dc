#include "cli/scan.h"

#include <cstdio>
#include <string>
#include <vector>

#include "cli/exit_status.h"
#include "cli/terminal.h"
#include "platform/platform.h"
#include "resources/scan_texts.h"
#include "scan/annotation.h"
#include "scan/annotation_picture.h"
#include "scan/scan_images.h"
#include "scan/scan_report.h"

namespace tsy::cli {
namespace {

void Report(const scan::ScanRun& run, const ListingOptions& options) {
    for (const std::string& line : scan::ScanReportLines(run, options)) {
        PrintText(stderr, line.c_str());
    }
}

bool WriteListing(const scan::Decoding& decoding, const std::string& path) {
    std::FILE* out = path.empty() ? stdout : std::fopen(path.c_str(), "w");
    if (out == nullptr) {
        return false;
    }
    for (const scan::DecodedRow& row : decoding.rows) {
        std::fprintf(out, "%s\n", row.text.c_str());
    }
    bool written = std::fflush(out) == 0 && !std::ferror(out);
    if (out != stdout) {
        written = std::fclose(out) == 0 && written;
    }
    return written;
}

// Where the annotation of page `page` (from 0) of `pages` goes: `path` itself
// for a single page, else `path` with "-" and the page's number (from 1)
// before its extension.
std::string AnnotationPath(const std::string& path, int page, int pages) {
    if (pages == 1) {
        return path;
    }
    const std::size_t slash = path.find_last_of("/\\");
    const std::size_t dot = path.rfind('.');
    const bool has_extension =
        dot != std::string::npos && dot > 0 && (slash == std::string::npos || dot > slash + 1);
    const std::string number = "-" + std::to_string(page + 1);
    return has_extension ? path.substr(0, dot) + number + path.substr(dot) : path + number;
}

// Whether `a` and `b` name one file: the same name, or one regular file.
bool SameFile(const std::string& a, const std::string& b) {
    platform::FileInfo first;
    platform::FileInfo second;
    return a == b ||
           (platform::InspectPath(a.c_str(), &first) && platform::InspectPath(b.c_str(), &second) &&
            first.kind == platform::FileKind::Regular &&
            second.kind == platform::FileKind::Regular && first.volume == second.volume &&
            first.index == second.index);
}

// The name of the first annotation that would be written over a page image
// read or the listing, or empty.
std::string AnnotationOverwriting(const CliOptions& options) {
    const int pages = static_cast<int>(options.image_paths.size());
    for (int page = 0; page < pages; ++page) {
        const std::string path = AnnotationPath(options.annotate_path, page, pages);
        for (const std::string& image : options.image_paths) {
            if (SameFile(path, image)) {
                return path;
            }
        }
        if (!options.output_path.empty() && SameFile(path, options.output_path)) {
            return path;
        }
    }
    return std::string();
}

bool WriteFileBytes(const std::string& path, const std::vector<unsigned char>& bytes) {
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    bool written = std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    written = std::fclose(out) == 0 && written;
    return written;
}

// Writes each page's annotation; false, with the path that failed, at the
// first that cannot be made or written.
bool WriteAnnotations(const scan::ScanRun& run, const std::string& path, std::string* failed) {
    const int pages = static_cast<int>(run.pictures.size());
    for (int page = 0; page < pages; ++page) {
        const std::vector<unsigned char> png = scan::AnnotatedPng(
            run.pictures[static_cast<std::size_t>(page)].get(), scan::MarksOfPage(run, page));
        *failed = AnnotationPath(path, page, pages);
        if (png.empty() || !WriteFileBytes(*failed, png)) {
            return false;
        }
    }
    return true;
}

}  // namespace

int RunScan(const CliOptions& options) {
    if (!options.annotate_path.empty()) {
        const std::string overwriting = AnnotationOverwriting(options);
        if (!overwriting.empty()) {
            PrintText(stderr, Written([&](TextOut& out) {
                                  text::ScanAnnotateSameFile(
                                      out, ToShiftJis(overwriting.c_str()).c_str());
                              }).c_str());
            return kExitUsage;
        }
    }
    scan::ScanSettings settings;
    settings.keep_pictures = !options.annotate_path.empty();
    const scan::ScanRun run = scan::ScanImages(options.image_paths, options.dump.listing, settings);
    switch (run.status) {
        case scan::ScanStatus::Done:
            break;
        case scan::ScanStatus::EngineMissing:
            PrintText(stderr, text::kScanEngineMissing);
            return kExitFileError;
        case scan::ScanStatus::Unreadable:
        case scan::ScanStatus::NoListing: {
            PrintText(stderr, run.status == scan::ScanStatus::NoListing ? text::kScanNoListing
                              : run.message.text[0] != '\0'             ? run.message.text
                                                                        : text::kScanUnreadable);
            // The path as given, in the terminal's own encoding.
            PrintFileReason(options.image_paths[static_cast<std::size_t>(run.failed_page)].c_str(),
                            run.system_error);
            return kExitFileError;
        }
    }
    if (!WriteListing(run.decoding, options.output_path)) {
        PrintText(stderr, text::kScanWriteFailed);
        PrintFileReason(options.output_path.empty() ? "-" : options.output_path.c_str(), 0);
        return kExitFileError;
    }
    Report(run, options.dump.listing);
    std::string failed;
    if (!options.annotate_path.empty() && !WriteAnnotations(run, options.annotate_path, &failed)) {
        PrintText(stderr, text::kScanAnnotateFailed);
        PrintFileReason(failed.c_str(), 0);
        return kExitFileError;
    }
    return run.decoding.AllVerified() ? kExitOk : kExitInDoubt;
}

}  // namespace tsy::cli
