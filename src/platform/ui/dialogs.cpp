#include "platform/ui/dialogs.h"

#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardPaths>
#include <QUrl>

#include "platform/codepage.h"
#include "platform/ui/qt_text.h"

namespace xlt::ui {
namespace {

BoxAnswerer& answerer() {
    static BoxAnswerer instance;
    return instance;
}

QWidget* owner_widget(const Window* owner) {
    return owner != nullptr ? owner->widget() : nullptr;
}

Answer show_message_box(const BoxRequest& request, const Window* owner) {
    QMessageBox box(owner_widget(owner));
    box.setWindowTitle(to_qstring(request.title));
    box.setText(to_qstring_lines(request.text));
    box.setIcon(QMessageBox::NoIcon);
    if (owner == nullptr) {
        box.setWindowModality(Qt::ApplicationModal);
    }
    QPushButton* yes = nullptr;
    if (request.buttons == Buttons::yes_no) {
        yes = box.addButton(QStringLiteral("是"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("否"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
    } else {
        QPushButton* ok = box.addButton(QStringLiteral("确定"), QMessageBox::AcceptRole);
        box.setDefaultButton(ok);
        box.setEscapeButton(ok);
    }
    box.exec();
    if (request.buttons == Buttons::ok) {
        return Answer::ok;
    }
    return box.clickedButton() == yes ? Answer::yes : Answer::no;
}

std::optional<Text> show_input_box(const BoxRequest& request, std::string_view initial,
                                   const Window* owner) {
    QInputDialog dialog(owner_widget(owner));
    dialog.setWindowTitle(to_qstring(request.title));
    dialog.setLabelText(to_qstring(request.text));
    dialog.setTextValue(to_qstring(initial));
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return to_text(dialog.textValue());
}

}  // namespace

BoxAnswerer set_box_answerer(BoxAnswerer replacement) {
    BoxAnswerer previous = std::move(answerer());
    answerer() = std::move(replacement);
    return previous;
}

Text default_box_title() {
    return codepage::utf8_to_gbk("信息：");
}

Answer message_box(std::string_view text, Buttons buttons, std::optional<std::string_view> title,
                   const Window* owner) {
    BoxRequest request;
    request.kind = BoxKind::message;
    request.title = title ? Text(*title) : default_box_title();
    request.text = Text(text);
    request.buttons = buttons;
    request.owned = owner != nullptr;
    if (answerer()) {
        return answerer()(request).answer;
    }
    return show_message_box(request, owner);
}

std::optional<Text> input_box(std::string_view prompt, std::string_view title,
                              std::string_view initial, const Window* owner) {
    BoxRequest request;
    request.kind = BoxKind::input;
    request.title = Text(title);
    request.text = Text(prompt);
    request.owned = owner != nullptr;
    if (answerer()) {
        const BoxReply reply = answerer()(request);
        if (reply.answer != Answer::ok) {
            return std::nullopt;
        }
        return reply.input;
    }
    return show_input_box(request, initial, owner);
}

bool open_in_browser(std::string_view address) {
    BoxRequest request;
    request.kind = BoxKind::browser;
    request.text = Text(address);
    if (answerer()) {
        return answerer()(request).opened;
    }
    const QUrl url(to_qstring(address));
    return url.isValid() && QDesktopServices::openUrl(url);
}

bool set_clipboard_text(std::string_view text) {
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (clipboard == nullptr) {
        return false;
    }
    const QString value = to_qstring(text);
    clipboard->setText(value);
    return clipboard->text() == value;
}

Text clipboard_text() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard != nullptr ? to_text(clipboard->text()) : Text();
}

Point mouse_position() {
    const QPoint at = QCursor::pos();
    return {at.x(), at.y()};
}

std::optional<ByteString> resource_bytes(const char* path) {
    QFile file(QString::fromUtf8(path));
    if (!file.open(QIODevice::ReadOnly)) {
        return std::nullopt;
    }
    const QByteArray bytes = file.readAll();
    return ByteString(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

Text desktop_folder() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    if (folder.isEmpty() || !QDir(folder).exists()) {
        return {};
    }
    Text path = to_text(QDir::toNativeSeparators(folder));
    if (path.empty() || path.back() != '/') {
        path += '/';
    }
    return path;
}

}  // namespace xlt::ui
