// A view of the main dialog for tests: it records every call of the
// controller into one log, messages included, so that tests can check the
// order of the steps, and answers as a test sets it to.
#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "gui/main_controller.h"
#include "resources/resource.h"

namespace tsy::gui {

class Recorder : public MainView {
  public:
    bool IsChecked(int control) override {
        if (control == IDC_FORMAT_CHECK) {
            log.push_back("ReadFormatCheck");
            return format_check;
        }
        return false;
    }
    void SetEnabled(int control, bool enabled) override {
        if (control == IDC_WRITE_BACK && enabled) {
            log.push_back("EnableWriteBack");
        }
    }
    bool AskStateFile(char* path) override { return Ask("AskStateFile", state_choice, path); }
    bool AskDumpFile(char* path) override { return Ask("AskDumpFile", dump_choice, path); }
    void ShowStatePath(const char* path) override {
        log.push_back("ShowStatePath " + std::string(path));
    }
    void ShowDumpPath(const char* path) override {
        log.push_back("ShowDumpPath " + std::string(path));
    }
    void Repaint() override { log.push_back("Repaint"); }
    DumpOptions ReadDumpOptions() override {
        log.push_back("ReadDumpOptions");
        return options;
    }
    void ShowAbout() override { log.push_back("ShowAbout"); }
    void Exit() override { log.push_back("Exit"); }
    bool Show(const Message& message) override {
        log.push_back(Said(message.text));
        if (inside) {
            inside(message.kind);
        }
        return message.kind == MessageKind::Question ? answer : true;
    }
    void ShowReport(const Message& report, const std::string& findings) override {
        log.push_back("Report " + std::string(report.text));
        log.push_back("Findings " + findings);
    }
    void ShowWarnings(const std::string& warnings) override {
        log.push_back("Warnings " + warnings);
    }
    void RunBusy(const std::function<void()>& work) override {
        log.push_back("RunBusy");
        if (while_busy) {
            while_busy();
        }
        work();
    }

    // Messages are logged by their text; texts compared are Shift-JIS.
    static std::string Said(const std::string& text) { return "Tell " + text; }

    bool format_check = true;
    std::string state_choice;  // empty: the user cancels
    std::string dump_choice;
    DumpOptions options;
    bool answer = true;                       // to a question
    std::function<void(MessageKind)> inside;  // runs while a message is shown
    std::function<void()> while_busy;         // runs before the busy work
    std::vector<std::string> log;

  private:
    bool Ask(const char* what, const std::string& choice, char* path) {
        log.push_back(what);
        if (choice.empty()) {
            return false;
        }
        std::snprintf(path, kPathSize, "%s", choice.c_str());
        return true;
    }
};

}  // namespace tsy::gui
