#include "platform/ui/controls.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QHelpEvent>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>
#include <QTreeWidget>
#include <algorithm>
#include <map>

#include "platform/ui/qt_text.h"

namespace xlt::ui {
namespace {

// Passes every key press of a widget to a callback and lets the widget handle it too.
class KeyFilter : public QObject {
public:
    KeyFilter(QObject* parent, std::function<void(const KeyPress&)>* handler)
        : QObject(parent), handler_(handler) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && *handler_) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers mods = key->modifiers();
            (*handler_)(KeyPress{key->key(), (mods & Qt::ControlModifier) != 0,
                                 (mods & Qt::ShiftModifier) != 0, (mods & Qt::AltModifier) != 0});
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void(const KeyPress&)>* handler_;
};

// Shows each tool button's own tool tip, and none at all for a button that has none
// (a tool button would otherwise show its caption).
class ToolTipFilter : public QObject {
public:
    using QObject::QObject;
    void set_tip(QWidget* button, const QString& tip) { tips_[button] = tip; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTip) {
            const auto it = tips_.find(watched);
            if (it != tips_.end()) {
                if (!it->second.isEmpty()) {
                    QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), it->second,
                                       static_cast<QWidget*>(watched));
                }
                return true;
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::map<QObject*, QString> tips_;
};

QWidget* make_edit(QWidget* parent, EditBox::Kind kind) {
    switch (kind) {
        case EditBox::Kind::single_line:
            return new QLineEdit(parent);
        case EditBox::Kind::multi_line:
        case EditBox::Kind::multi_line_no_scroll: {
            auto* edit = new QPlainTextEdit(parent);
            edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            edit->setVerticalScrollBarPolicy(
                kind == EditBox::Kind::multi_line ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
            return edit;
        }
        case EditBox::Kind::multi_line_centred: {
            auto* edit = new QTextEdit(parent);
            edit->setAcceptRichText(false);
            edit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
            return edit;
        }
    }
    return nullptr;
}

}  // namespace

// --- Control ---------------------------------------------------------------------------

Control::Control(const char* name, QWidget* widget, const Rect& place)
    : name_(name), widget_(widget), context_(std::make_unique<QObject>()) {
    widget_->setObjectName(QString::fromUtf8(name));
    move(place);
}

Control::~Control() = default;

int Control::left() const {
    return widget_->x();
}
int Control::top() const {
    return widget_->y();
}
int Control::width() const {
    return widget_->width();
}
int Control::height() const {
    return widget_->height();
}
Rect Control::place() const {
    return {left(), top(), width(), height()};
}

void Control::move(std::optional<int> left, std::optional<int> top, std::optional<int> width,
                   std::optional<int> height) {
    const QRect g = widget_->geometry();
    widget_->setGeometry(left.value_or(g.x()), top.value_or(g.y()),
                         std::max(0, width.value_or(g.width())),
                         std::max(0, height.value_or(g.height())));
}

bool Control::visible() const {
    QWidget* parent = widget_->parentWidget();
    return parent != nullptr ? widget_->isVisibleTo(parent) : widget_->isVisible();
}

void Control::set_visible(bool visible) {
    widget_->setVisible(visible);
}
bool Control::enabled() const {
    return widget_->isEnabled();
}
void Control::set_enabled(bool enabled) {
    widget_->setEnabled(enabled);
}

// --- Label -----------------------------------------------------------------------------

Label::Label(Container& parent, const char* name, const Rect& place, std::string_view caption)
    : Control(name, new QLabel(to_qstring(caption), parent.host()), place) {
    static_cast<QLabel*>(widget())->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

Text Label::text() const {
    return to_text(static_cast<QLabel*>(widget())->text());
}
void Label::set_text(std::string_view caption) {
    static_cast<QLabel*>(widget())->setText(to_qstring(caption));
}

// --- Button ----------------------------------------------------------------------------

Button::Button(Container& parent, const char* name, const Rect& place, std::string_view caption)
    : Control(name, new QPushButton(to_qstring(caption), parent.host()), place) {
    auto* button = static_cast<QPushButton*>(widget());
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, context(), [this] {
        if (on_click) {
            on_click();
        }
    });
}

Text Button::caption() const {
    return to_text(static_cast<QPushButton*>(widget())->text());
}

// --- CheckBox --------------------------------------------------------------------------

CheckBox::CheckBox(Container& parent, const char* name, const Rect& place, std::string_view caption,
                   bool ticked, Look look)
    : Control(name,
              look == Look::box ? static_cast<QWidget*>(new QCheckBox(parent.host()))
                                : static_cast<QWidget*>(new QPushButton(parent.host())),
              place) {
    auto* button = static_cast<QAbstractButton*>(widget());
    button->setText(to_qstring(caption));
    button->setCheckable(true);
    button->setChecked(ticked);
    if (auto* push = qobject_cast<QPushButton*>(button)) {
        push->setAutoDefault(false);
    }
    QObject::connect(button, &QAbstractButton::clicked, context(), [this] {
        if (on_click) {
            on_click();
        }
    });
}

Text CheckBox::caption() const {
    return to_text(static_cast<QAbstractButton*>(widget())->text());
}
bool CheckBox::ticked() const {
    return static_cast<QAbstractButton*>(widget())->isChecked();
}
void CheckBox::set_ticked(bool ticked) {
    static_cast<QAbstractButton*>(widget())->setChecked(ticked);
}

// --- EditBox ---------------------------------------------------------------------------

EditBox::EditBox(Container& parent, const char* name, const Rect& place, Kind kind,
                 std::string_view text)
    : Control(name, make_edit(parent.host(), kind), place), kind_(kind) {
    widget()->installEventFilter(new KeyFilter(context(), &on_key_down));
    set_text(text);
}

Text EditBox::text() const {
    switch (kind_) {
        case Kind::single_line:
            return to_text(static_cast<QLineEdit*>(widget())->text());
        case Kind::multi_line:
        case Kind::multi_line_no_scroll:
            return to_text_lines(static_cast<QPlainTextEdit*>(widget())->toPlainText());
        case Kind::multi_line_centred:
            return to_text_lines(static_cast<QTextEdit*>(widget())->toPlainText());
    }
    return {};
}

void EditBox::set_text(std::string_view text) {
    switch (kind_) {
        case Kind::single_line:
            static_cast<QLineEdit*>(widget())->setText(to_qstring(text));
            break;
        case Kind::multi_line:
        case Kind::multi_line_no_scroll:
            static_cast<QPlainTextEdit*>(widget())->setPlainText(to_qstring_lines(text));
            break;
        case Kind::multi_line_centred: {
            auto* edit = static_cast<QTextEdit*>(widget());
            edit->setPlainText(to_qstring_lines(text));
            QTextCursor cursor(edit->document());
            cursor.select(QTextCursor::Document);
            QTextBlockFormat centred;
            centred.setAlignment(Qt::AlignHCenter);
            cursor.mergeBlockFormat(centred);
            break;
        }
    }
}

void EditBox::select_all() {
    switch (kind_) {
        case Kind::single_line:
            static_cast<QLineEdit*>(widget())->selectAll();
            break;
        case Kind::multi_line:
        case Kind::multi_line_no_scroll:
            static_cast<QPlainTextEdit*>(widget())->selectAll();
            break;
        case Kind::multi_line_centred:
            static_cast<QTextEdit*>(widget())->selectAll();
            break;
    }
}

// --- ComboBox --------------------------------------------------------------------------

ComboBox::ComboBox(Container& parent, const char* name, const Rect& place,
                   const std::vector<Text>& items, int selected)
    : Control(name, new QComboBox(parent.host()), place) {
    auto* combo = static_cast<QComboBox*>(widget());
    combo->setEditable(false);
    for (const Text& item : items) {
        combo->addItem(to_qstring(item));
    }
    combo->setCurrentIndex(selected);
}

int ComboBox::selected_index() const {
    return static_cast<QComboBox*>(widget())->currentIndex();
}
Text ComboBox::selected_text() const {
    return to_text(static_cast<QComboBox*>(widget())->currentText());
}
void ComboBox::set_selected_index(int index) {
    static_cast<QComboBox*>(widget())->setCurrentIndex(index);
}
int ComboBox::item_count() const {
    return static_cast<QComboBox*>(widget())->count();
}
Text ComboBox::item_text(int index) const {
    return to_text(static_cast<QComboBox*>(widget())->itemText(index));
}

// --- TreeView --------------------------------------------------------------------------

TreeView::TreeView(Container& parent, const char* name, const Rect& place)
    : Control(name, new QTreeWidget(parent.host()), place) {
    auto* tree = static_cast<QTreeWidget*>(widget());
    tree->setHeaderHidden(true);
    tree->setColumnCount(1);
}

int TreeView::add_item(int parent_item, std::string_view text) {
    auto* tree = static_cast<QTreeWidget*>(widget());
    QTreeWidgetItem* item = nullptr;
    if (parent_item >= 0 && parent_item < item_count()) {
        item = new QTreeWidgetItem(items_[parent_item], QStringList{to_qstring(text)});
    } else {
        item = new QTreeWidgetItem(tree, QStringList{to_qstring(text)});
    }
    items_.push_back(item);
    return item_count() - 1;
}

void TreeView::expand(int item) {
    if (item >= 0 && item < item_count()) {
        items_[item]->setExpanded(true);
    }
}

int TreeView::item_count() const {
    return static_cast<int>(items_.size());
}

// --- StatusBar -------------------------------------------------------------------------

StatusBar::StatusBar(Window& parent, const char* name, int height, const std::vector<int>& widths)
    : Control(name, new QStatusBar(parent.host()), Rect{0, 0, parent.client_width(), height}) {
    auto* bar = static_cast<QStatusBar*>(widget());
    bar->setSizeGripEnabled(false);
    for (std::size_t i = 0; i < widths.size(); ++i) {
        auto* part = new QLabel(bar);
        part->setObjectName(QString::fromUtf8(name) + QStringLiteral("_part%1").arg(i));
        const bool last = i + 1 == widths.size();
        if (!last) {
            part->setFixedWidth(widths[i]);
        } else {
            part->setMinimumWidth(0);
        }
        bar->addWidget(part, last ? 1 : 0);
        parts_.push_back(part);
    }
    parent.dock_bottom(*this);
}

void StatusBar::set_part_text(int part, std::string_view text) {
    if (part >= 0 && part < part_count()) {
        static_cast<QLabel*>(parts_[part])->setText(to_qstring(text));
    }
}

Text StatusBar::part_text(int part) const {
    if (part < 0 || part >= part_count()) {
        return {};
    }
    return to_text(static_cast<QLabel*>(parts_[part])->text());
}

int StatusBar::part_count() const {
    return static_cast<int>(parts_.size());
}

// --- ToolBar ---------------------------------------------------------------------------

struct ToolBar::Entry {
    QAction* action = nullptr;  // also for a separator
    bool separator = false;
    Text tool_tip;
};

ToolBar::ToolBar(Window& parent, const char* name, int height)
    : Control(name, new QToolBar(parent.host()), Rect{0, 0, parent.client_width(), height}) {
    auto* bar = static_cast<QToolBar*>(widget());
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(32, 32));
    bar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    auto* group = new QActionGroup(bar);
    group->setExclusionPolicy(QActionGroup::ExclusionPolicy::Exclusive);
    group_ = group;
    tip_filter_ = new ToolTipFilter(bar);
    parent.dock_top(*this);
}

int ToolBar::add_button(std::string_view caption, const char* icon, std::string_view tool_tip,
                        bool in_check_group) {
    auto* bar = static_cast<QToolBar*>(widget());
    auto entry = std::make_shared<Entry>();
    entry->action = bar->addAction(QIcon(QString::fromUtf8(icon)), to_qstring(caption));
    entry->tool_tip = Text(tool_tip);
    const int index = button_count();
    if (in_check_group) {
        entry->action->setCheckable(true);
        static_cast<QActionGroup*>(group_)->addAction(entry->action);
    }
    QWidget* button = bar->widgetForAction(entry->action);
    button->setObjectName(QString::fromUtf8(name().c_str()) +
                          QStringLiteral("_button%1").arg(index));
    button->installEventFilter(tip_filter_);
    static_cast<ToolTipFilter*>(tip_filter_)->set_tip(button, to_qstring(tool_tip));
    QObject::connect(entry->action, &QAction::triggered, context(), [this, index] {
        if (on_click) {
            on_click(index);
        }
    });
    entries_.push_back(entry);
    return index;
}

int ToolBar::add_separator() {
    auto entry = std::make_shared<Entry>();
    entry->action = static_cast<QToolBar*>(widget())->addSeparator();
    entry->separator = true;
    entries_.push_back(entry);
    return button_count() - 1;
}

int ToolBar::button_count() const {
    return static_cast<int>(entries_.size());
}

bool ToolBar::pressed(int index) const {
    return index >= 0 && index < button_count() && entries_[index]->action->isChecked();
}

void ToolBar::set_pressed(int index, bool pressed) {
    if (index >= 0 && index < button_count() && entries_[index]->action->isCheckable()) {
        entries_[index]->action->setChecked(pressed);
    }
}

Text ToolBar::caption(int index) const {
    if (index < 0 || index >= button_count() || entries_[index]->separator) {
        return {};
    }
    return to_text(entries_[index]->action->text());
}

Text ToolBar::tool_tip(int index) const {
    return index >= 0 && index < button_count() ? entries_[index]->tool_tip : Text();
}

bool ToolBar::is_separator(int index) const {
    return index >= 0 && index < button_count() && entries_[index]->separator;
}

void ToolBar::click(int index) {
    if (index >= 0 && index < button_count() && !entries_[index]->separator) {
        entries_[index]->action->trigger();
    }
}

// --- PopupMenu -------------------------------------------------------------------------

PopupMenu::PopupMenu(Window& owner, const char* name, const std::vector<Text>& items)
    : menu_(new QMenu(owner.host())), context_(std::make_unique<QObject>()) {
    menu_->setObjectName(QString::fromUtf8(name));
    auto* menu = static_cast<QMenu*>(menu_);
    for (std::size_t i = 0; i < items.size(); ++i) {
        QAction* action = menu->addAction(to_qstring(items[i]));
        const int index = static_cast<int>(i);
        QObject::connect(action, &QAction::triggered, context_.get(), [this, index] {
            if (on_choose) {
                on_choose(index);
            }
        });
        actions_.push_back(action);
    }
}

PopupMenu::~PopupMenu() = default;

void PopupMenu::popup(Point screen_position) {
    static_cast<QMenu*>(menu_)->popup(QPoint(screen_position.x, screen_position.y));
}

bool PopupMenu::is_open() const {
    return menu_->isVisible();
}

void PopupMenu::choose(int item) {
    if (item >= 0 && item < static_cast<int>(actions_.size())) {
        static_cast<QMenu*>(menu_)->hide();
        actions_[item]->trigger();
    }
}

QWidget* PopupMenu::widget() const {
    return menu_;
}

}  // namespace xlt::ui
