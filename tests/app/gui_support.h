// Shared pieces of the window tests: the toolkit instance, finding real widgets by their
// control names, a scratch run directory, and an answerer for the modal boxes.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QString>
#include <QWidget>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/gbk.h"
#include "app/main_window.h"
#include "platform/codepage.h"
#include "platform/ui/application.h"
#include "platform/ui/dialogs.h"

namespace xlt::test {

inline void ensure_application() {
    static int argc = 1;
    static char name[] = "test_app";
    static char* argv[] = {name, nullptr};
    // Never destroyed: the toolkit must outlive the test framework's own static input
    // devices, which go at exit in no set order.
    static ui::Application* application = new ui::Application(argc, argv);
    (void)application;
}

inline std::string utf8(std::string_view gbk) {
    return codepage::gbk_to_utf8(gbk);
}
inline QString q(std::string_view utf8_text) {
    return QString::fromUtf8(utf8_text.data(), static_cast<qsizetype>(utf8_text.size()));
}

// The widget named `name` in the top-level window named `window`.
template <typename T = QWidget>
T* find_in(const char* window, const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top->objectName() == QLatin1String(window)) {
            if (top->objectName() == QString::fromUtf8(name)) {
                return qobject_cast<T*>(top);
            }
            if (auto* found = top->findChild<T*>(QString::fromUtf8(name))) {
                return found;
            }
        }
    }
    return nullptr;
}

template <typename T = QWidget>
T* find(const char* name) {
    return find_in<T>("MainWindow", name);
}

// Records every modal request and answers each with `reply`.
class BoxRecorder {
public:
    BoxRecorder() {
        previous_ = ui::set_box_answerer([this](const ui::BoxRequest& request) {
            requests.push_back(request);
            return reply;
        });
    }
    ~BoxRecorder() { ui::set_box_answerer(previous_); }
    BoxRecorder(const BoxRecorder&) = delete;
    BoxRecorder& operator=(const BoxRecorder&) = delete;

    std::vector<ui::BoxRequest> requests;
    ui::BoxReply reply;

private:
    ui::BoxAnswerer previous_;
};

// A fresh, empty folder for each test.
class RunDirectoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensure_application();
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string("xlt-app-") + info->test_suite_name() + "-" + info->name();
        for (char& c : name) {
            if (c == '/') {
                c = '_';
            }
        }
        dir_ = std::filesystem::temp_directory_path() / name;
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }
    std::filesystem::path dir_;
};

// A started main window on a fresh run directory.
class WindowTest : public RunDirectoryTest {
protected:
    void SetUp() override {
        RunDirectoryTest::SetUp();
        window_ = std::make_unique<app::MainWindow>(dir_);
        window_->start();
    }
    void TearDown() override {
        window_.reset();
        RunDirectoryTest::TearDown();
    }
    app::MainWindow& w() { return *window_; }

    std::unique_ptr<app::MainWindow> window_;
};

}  // namespace xlt::test
