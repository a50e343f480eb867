#include <QCloseEvent>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QGuiApplication>
#include <QIcon>
#include <QMoveEvent>
#include <QPainter>
#include <QPixmap>
#include <QResizeEvent>
#include <QScreen>
#include <QThread>
#include <QWidget>
#include <QWindow>

#include "platform/ui/controls.h"
#include "platform/ui/qt_text.h"

namespace xlt::ui {

class Window::Widget : public QWidget {
public:
    Widget(Window* owner, Qt::WindowFlags flags) : QWidget(nullptr, flags), owner_(owner) {}

    void set_background(const QPixmap& picture) {
        background_ = picture;
        update();
    }

    // Runs a local event loop until the window closes.
    void run_modal() {
        QEventLoop loop;
        modal_loop_ = &loop;
        loop.exec(QEventLoop::DialogExec);
        modal_loop_ = nullptr;
    }

    void detach() { owner_ = nullptr; }

protected:
    void moveEvent(QMoveEvent* event) override {
        QWidget::moveEvent(event);
        if (owner_ != nullptr) {
            owner_->recheck_frame();
        }
    }

    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        if (owner_ != nullptr) {
            owner_->recheck_frame();
            owner_->dock();
            if (owner_->on_resize) {
                owner_->on_resize();
            }
        }
    }

    void closeEvent(QCloseEvent* event) override {
        if (owner_ != nullptr && owner_->on_close && !closed_) {
            closed_ = true;
            owner_->on_close();
        }
        event->accept();
        if (modal_loop_ != nullptr) {
            modal_loop_->quit();
        }
    }

    void showEvent(QShowEvent* event) override {
        closed_ = false;
        QWidget::showEvent(event);
    }

    void paintEvent(QPaintEvent* event) override {
        if (background_.isNull()) {
            QWidget::paintEvent(event);
            return;
        }
        QPainter painter(this);
        painter.drawPixmap(rect(), background_);
    }

private:
    Window* owner_;
    QPixmap background_;
    QEventLoop* modal_loop_ = nullptr;
    bool closed_ = false;
};

namespace {

Qt::WindowFlags flags_for(Window::Frame frame) {
    switch (frame) {
        case Window::Frame::sizeable:
            return Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                   Qt::WindowCloseButtonHint;
        case Window::Frame::none:
            return Qt::Window | Qt::FramelessWindowHint;
    }
    return Qt::Window;
}

}  // namespace

Window::Window(const char* name, std::string_view title, int outer_width, int outer_height,
               Frame frame)
    : name_(name), window_(new Widget(this, flags_for(frame))) {
    host_ = window_;
    window_->setObjectName(QString::fromUtf8(name));
    window_->setWindowTitle(to_qstring(title));
    window_->resize(outer_width, outer_height);
}

Window::~Window() {
    window_->detach();
    delete window_;
}

Text Window::title() const {
    return to_text(window_->windowTitle());
}

namespace {

// The frame the platform puts around a shown window, asked of the platform each time: a
// window manager may add or change it after the window was first shown.
QMargins frame_of(const QWidget* window) {
    const QWindow* handle = window->windowHandle();
    return handle != nullptr && window->isVisible() ? handle->frameMargins() : QMargins();
}

}  // namespace

int Window::left() const {
    return window_->geometry().x() - frame_of(window_).left();
}
int Window::top() const {
    return window_->geometry().y() - frame_of(window_).top();
}
int Window::outer_width() const {
    const QMargins frame = frame_of(window_);
    return window_->width() + frame.left() + frame.right();
}
int Window::outer_height() const {
    const QMargins frame = frame_of(window_);
    return window_->height() + frame.top() + frame.bottom();
}
int Window::client_width() const {
    return window_->width();
}
int Window::client_height() const {
    return window_->height();
}

void Window::set_outer_size(int width, int height) {
    const int frame_width = outer_width() - client_width();
    const int frame_height = outer_height() - client_height();
    sizing_ = Sizing{width, height, frame_width, frame_height};
    window_->resize(std::max(1, width - frame_width), std::max(1, height - frame_height));
    if (!window_->isVisible()) {
        dock();  // a hidden window gets its size-changed event only when it is shown
    }
}

void Window::recheck_frame() {
    if (!sizing_) {
        return;
    }
    const Sizing asked = *sizing_;
    const int frame_width = outer_width() - client_width();
    const int frame_height = outer_height() - client_height();
    if (frame_width == asked.frame_width && frame_height == asked.frame_height) {
        return;
    }
    // The platform may still deliver sizes from before the request; wait for the one
    // that was asked for, then size the window again with the real frame.
    if (client_width() == std::max(1, asked.width - asked.frame_width) &&
        client_height() == std::max(1, asked.height - asked.frame_height)) {
        set_outer_size(asked.width, asked.height);
    }
}

void Window::move_to(int left, int top) {
    window_->move(left, top);
}

void Window::centre_on_screen() {
    QScreen* screen =
        window_->screen() != nullptr ? window_->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    const QRect area = screen->availableGeometry();
    move_to(area.x() + (area.width() - outer_width()) / 2,
            area.y() + (area.height() - outer_height()) / 2);
}

bool Window::minimised() const {
    return window_->isMinimized();
}
bool Window::visible() const {
    return window_->isVisible();
}
std::uintptr_t Window::native_handle() const {
    return static_cast<std::uintptr_t>(window_->winId());
}

void Window::set_icon(const char* picture) {
    window_->setWindowIcon(QIcon(QString::fromUtf8(picture)));
}

void Window::set_background(const char* picture) {
    window_->set_background(QPixmap(QString::fromUtf8(picture)));
}

void Window::dock_top(Control& control) {
    docked_top_ = &control;
    dock();
}

void Window::dock_bottom(Control& control) {
    docked_bottom_ = &control;
    dock();
}

void Window::dock() {
    if (docked_top_ != nullptr) {
        docked_top_->move(0, 0, client_width(), docked_top_->height());
    }
    if (docked_bottom_ != nullptr) {
        const int height = docked_bottom_->height();
        docked_bottom_->move(0, client_height() - height, client_width(), height);
    }
}

void Window::show() {
    window_->show();
}

void Window::show_modal() {
    window_->setWindowModality(Qt::ApplicationModal);
    window_->show();
    window_->raise();
    window_->activateWindow();
    if (window_->isVisible()) {
        window_->run_modal();
    }
}

void Window::close() {
    window_->close();
}

}  // namespace xlt::ui
