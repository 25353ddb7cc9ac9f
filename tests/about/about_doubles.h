#pragma once

#include "about/application_info.h"
#include "about/desktop.h"
#include "about/frm_about.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace doubles {

// One log that several doubles write to, so a test can check the order of calls across them.
using CallLog = std::vector<std::string>;

// Application information with settable answers; any read can be made to fail.
class FakeApplicationInfo : public about::ApplicationInfo {
public:
    explicit FakeApplicationInfo(CallLog* log = nullptr) : log_(log) {}

    std::wstring title = L"Viewer";
    short major = 3;
    short minor = 1;
    short revision = 4;
    std::wstring comments = L"Fake comments";
    std::wstring copyright = L"Fake copyright";
    HRESULT titleResult = S_OK;
    HRESULT commentsResult = S_OK;
    HRESULT copyrightResult = S_OK;

    HRESULT Title(std::wstring* value) override { return Answer("Title", titleResult, title, value); }
    HRESULT Major(short* value) override { return Answer("Major", S_OK, major, value); }
    HRESULT Minor(short* value) override { return Answer("Minor", S_OK, minor, value); }
    HRESULT Revision(short* value) override { return Answer("Revision", S_OK, revision, value); }
    HRESULT Comments(std::wstring* value) override { return Answer("Comments", commentsResult, comments, value); }
    HRESULT LegalCopyright(std::wstring* value) override {
        return Answer("LegalCopyright", copyrightResult, copyright, value);
    }

private:
    template <typename T>
    HRESULT Answer(const char* name, HRESULT result, const T& field, T* value) {
        if (log_) log_->push_back(std::string("app.") + name);
        if (FAILED(result)) return result;
        *value = field;
        return S_OK;
    }

    CallLog* log_;
};

// The shell and message boxes, recorded and never shown: the shell answers `shellResult`.
class RecordingDesktop : public about::Desktop {
public:
    struct ShellCall {
        HWND owner;
        std::string verb, file, parameters, directory;
        int showCommand;
    };
    struct Message {
        HWND owner;
        std::wstring text, title;
        UINT style;
    };

    explicit RecordingDesktop(CallLog* log = nullptr) : log_(log) {}

    INT_PTR shellResult = 42;
    std::vector<ShellCall> shellCalls;
    std::vector<Message> messages;

    INT_PTR ShellOpen(HWND owner, const std::string& verb, const std::string& file, const std::string& parameters,
                      const std::string& directory, int showCommand) override {
        if (log_) log_->push_back("shell.Open");
        shellCalls.push_back({owner, verb, file, parameters, directory, showCommand});
        return shellResult;
    }
    int ShowMessage(HWND owner, const std::wstring& text, const std::wstring& title, UINT style) override {
        if (log_) log_->push_back("shell.Message");
        messages.push_back({owner, text, title, style});
        return IDOK;
    }

private:
    CallLog* log_;
};

// The box's events, recorded; RequestAppObject can hand out a replacement object and BeforeShow
// runs whatever the test needs while the box is laid out but not yet shown.
class RecordingAboutEvents : public about::AboutEvents {
public:
    explicit RecordingAboutEvents(CallLog* log) : log_(log) {}

    std::shared_ptr<about::ApplicationInfo> replacement;
    std::vector<bool> appObjectWasEmpty;
    std::function<void(about::frmAbout&)> onBeforeShow;

    void RequestAppObject(std::shared_ptr<about::ApplicationInfo>& appObject) override {
        log_->push_back("RequestAppObject");
        appObjectWasEmpty.push_back(appObject == nullptr);
        if (replacement) appObject = replacement;
    }
    void BeforeShow(about::frmAbout& box) override {
        log_->push_back("BeforeShow");
        if (onBeforeShow) onBeforeShow(box);
    }

private:
    CallLog* log_;
};

}  // namespace doubles
