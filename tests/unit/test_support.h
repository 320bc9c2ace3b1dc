// Helpers for unit tests that work on real files and look at the messages
// the operations return: a temporary directory, whole-file reads and
// writes, and a log of messages.
#pragma once

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#include "platform/faults.h"
#include "platform/platform.h"
#include "resources/message.h"

namespace tsy::test {

// The call with which a write-back's new file takes the file's name: an
// exchange of the two names where the system has one, else a rename.
#ifdef _WIN32
inline constexpr platform::FaultPoint kReplaceCall = platform::FaultPoint::RenameReplace;
#else
inline constexpr platform::FaultPoint kReplaceCall = platform::FaultPoint::ExchangeNames;
#endif

// A new empty directory under the system's temporary folder, removed with
// everything in it when the object goes.
class TempDir {
  public:
    TempDir() {
        static std::atomic<unsigned> counter{0};
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::random_device random;
        for (;;) {
            const auto stamp = static_cast<unsigned long long>(
                std::chrono::steady_clock::now().time_since_epoch().count());
            const std::string name = "tsypatch-test-" + std::to_string(random()) + "-" +
                                     std::to_string(stamp % 1000000) + "-" +
                                     std::to_string(counter++);
            std::error_code error;
            if (std::filesystem::create_directory(base / name, error)) {
                path_ = (base / name).string();
                return;
            }
        }
    }
    ~TempDir() {
        std::error_code error;
        std::filesystem::remove_all(path_, error);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    // The directory's path, without a trailing separator.
    const std::string& Path() const { return path_; }

    // The path of `name` inside the directory (the file need not exist).
    std::string File(const std::string& name) const {
        return path_ + static_cast<char>(std::filesystem::path::preferred_separator) + name;
    }

  private:
    std::string path_;
};

// Writes `bytes` as the whole content of the file at `path`.
inline void WriteFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// The whole content of the file at `path`; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Whether anything exists at `path`.
inline bool FileExists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(path, error);
}

// The names of the entries in the folder `path`, sorted.
inline std::vector<std::string> NamesIn(const std::string& path) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(path)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

// One message as an operation returned it.
struct Message {
    MessageKind kind;
    std::string text;  // Shift-JIS
};

inline bool operator==(const Message& a, const Message& b) {
    return a.kind == b.kind && a.text == b.text;
}

// Shows a message in test failures: its kind, then its text as printable
// ASCII with every other byte in hex.
inline void PrintTo(const Message& message, std::ostream* out) {
    static const char* const kKinds[] = {"None",     "Error", "Warning", "Information",
                                         "Question", "Plain", "Report"};
    *out << kKinds[static_cast<int>(message.kind)] << " \"";
    static const char kHex[] = "0123456789ABCDEF";
    for (unsigned char c : message.text) {
        if (c >= 0x20 && c < 0x7F && c != '\\') {
            *out << static_cast<char>(c);
        } else {
            *out << "\\x" << kHex[c >> 4] << kHex[c & 0xF];
        }
    }
    *out << '"';
}

// The messages of a series of operations, in order: Keep records the
// message a result carries (when there is one) and passes its status on.
class MessageLog {
  public:
    template <typename Outcome>
    auto Keep(const Outcome& result) -> decltype(result.status) {
        Add(result.message);
        return result.status;
    }

    void Add(const tsy::Message& message) {
        if (!message.Empty()) {
            messages_.push_back(Message{message.kind, message.text});
        }
    }

    const std::vector<Message>& Messages() const { return messages_; }
    void Clear() { messages_.clear(); }

  private:
    std::vector<Message> messages_;
};

}  // namespace tsy::test
