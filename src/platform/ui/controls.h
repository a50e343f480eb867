// The window toolkit as the program sees it: windows and the control kinds of the main
// window, each offering exactly the control operations the commands use, with events as
// callbacks. Texts are GBK (code page 936); multi-line edit boxes take and give CR LF
// line breaks. Places are in pixels relative to the container: a window's client area,
// or for a control on a tab page the tab control's own top-left corner.
//
// Qt stays inside this layer: the wrappers hold their widgets by pointer, and every
// widget carries its control's name as objectName so that tests can find it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/text.h"

class QWidget;
class QObject;
class QAction;
class QTreeWidgetItem;

namespace xlt::ui {

struct Rect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const Rect&) const = default;
};

struct Point {
    int x = 0;
    int y = 0;
};

enum class Align { left, right, center };

// A key as the key-down event reports it: letters and digits by their upper-case ASCII
// code (65 for A), other keys by a code that is no letter or digit; and the modifier keys
// held at the time.
struct KeyPress {
    int key = 0;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

// Something controls are placed on: a window, or a page of a tab control.
class Container {
public:
    Container() = default;
    Container(const Container&) = delete;
    Container& operator=(const Container&) = delete;
    virtual ~Container() = default;
    QWidget* host() const { return host_; }

protected:
    QWidget* host_ = nullptr;
};

// What every control offers: its place and size, visibility and enabled state.
class Control {
public:
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control();

    const std::string& name() const { return name_; }
    int left() const;
    int top() const;
    int width() const;
    int height() const;
    Rect place() const;
    // Moves the control; an omitted value keeps the current one. A negative width or
    // height gives an empty control.
    void move(std::optional<int> left, std::optional<int> top = std::nullopt,
              std::optional<int> width = std::nullopt, std::optional<int> height = std::nullopt);
    void move(const Rect& place) { move(place.left, place.top, place.width, place.height); }
    // The control's own visibility: a control on a page that is not current still counts
    // as visible unless it was hidden itself.
    bool visible() const;
    void set_visible(bool visible);
    bool enabled() const;
    void set_enabled(bool enabled);

    QWidget* widget() const { return widget_; }

protected:
    // `name` is the control's name in UTF-8; `widget` is already parented to `parent`.
    Control(const char* name, QWidget* widget, const Rect& place);
    // Lives as long as this wrapper: signal connections made with it as context end when
    // the wrapper goes, even if the widget outlives it.
    QObject* context() const { return context_.get(); }

private:
    std::string name_;
    QWidget* widget_;
    std::unique_ptr<QObject> context_;
};

class Label : public Control {
public:
    Label(Container& parent, const char* name, const Rect& place, std::string_view caption);
    Text text() const;
    void set_text(std::string_view caption);
};

class Button : public Control {
public:
    Button(Container& parent, const char* name, const Rect& place, std::string_view caption);
    Text caption() const;
    std::function<void()> on_click;
};

class CheckBox : public Control {
public:
    enum class Look { box, push_button };
    CheckBox(Container& parent, const char* name, const Rect& place, std::string_view caption,
             bool ticked, Look look = Look::box);
    Text caption() const;
    bool ticked() const;
    void set_ticked(bool ticked);
    // Runs after the click has toggled the tick.
    std::function<void()> on_click;
};

class EditBox : public Control {
public:
    enum class Kind {
        single_line,
        multi_line,            // vertical scroll bar, lines wrapped
        multi_line_no_scroll,  // no scroll bars, lines wrapped
        multi_line_centred,    // vertical scroll bar, every line centred
    };
    EditBox(Container& parent, const char* name, const Rect& place, Kind kind,
            std::string_view text = {});
    // The whole text, line breaks as CR LF.
    Text text() const;
    // Replaces the whole text; CR LF (or a lone LF) starts a new line.
    void set_text(std::string_view text);
    void select_all();
    // Runs before the edit box handles the key, which it still does.
    std::function<void(const KeyPress&)> on_key_down;

private:
    Kind kind_;
};

class ComboBox : public Control {
public:
    // A drop-down list that cannot be typed into.
    ComboBox(Container& parent, const char* name, const Rect& place, const std::vector<Text>& items,
             int selected);
    int selected_index() const;  // -1 when none
    Text selected_text() const;  // empty when none
    void set_selected_index(int index);
    int item_count() const;
    Text item_text(int index) const;
};

class TreeView : public Control {
public:
    TreeView(Container& parent, const char* name, const Rect& place);
    // Adds an item under `parent_item` (-1 for the top level) and returns its number;
    // items are numbered in the order they were added.
    int add_item(int parent_item, std::string_view text);
    void expand(int item);
    int item_count() const;

private:
    std::vector<QTreeWidgetItem*> items_;
};

struct Column {
    Text title;
    int width = 100;
    Align align = Align::left;
};

// A list in report view, backed by a table model: rows and cells are plain data, and
// many rows stay cheap. Rows and columns count from 0.
class ReportList : public Control {
public:
    ReportList(Container& parent, const char* name, const Rect& place,
               const std::vector<Column>& columns);
    ~ReportList() override;

    int row_count() const;
    int column_count() const;
    Column column(int index) const;
    // Appends an empty row and returns its number.
    int append_row();
    // Sets a cell; false (and nothing changes) when the row or column does not exist.
    bool set_cell(int row, int column, std::string_view text);
    // Empty for a cell that does not exist.
    Text cell(int row, int column) const;
    // The lowest selected row, or -1 when none is selected.
    int selected_row() const;
    void select_row(int row);
    bool delete_row(int row);
    void delete_all_rows();
    // Replaces the column set; rows keep the cells of the columns that remain.
    void set_columns(const std::vector<Column>& columns);
    void append_column(const Column& column);

    // Between begin_update and end_update the list is not redrawn or told of each change;
    // use it around filling many rows. Calls nest.
    void begin_update();
    void end_update();

    std::function<void()> on_right_click;

private:
    class Model;
    Model* model_;
};

// A tab control, with page headers or without (then only the program switches pages).
// Controls on a page are placed relative to the tab control's top-left corner.
class TabControl : public Control {
public:
    TabControl(Container& parent, const char* name, const Rect& place,
               const std::vector<Text>& pages, bool headers);
    ~TabControl() override;
    Container& page(int index);
    int page_count() const;
    int current_page() const;
    void set_current_page(int index);

private:
    class Page;
    std::vector<std::unique_ptr<Page>> pages_;
};

class Window;

// Tool bar docked at the top of a window: buttons with a 32x32 icon and a caption under
// it, and separators, all counted in the button indexes.
class ToolBar : public Control {
public:
    ToolBar(Window& parent, const char* name, int height);
    // `icon` is a resource path; `tool_tip` empty means none. Buttons in the check group
    // stay pressed when clicked, and pressing one releases the others of the group.
    int add_button(std::string_view caption, const char* icon, std::string_view tool_tip,
                   bool in_check_group);
    int add_separator();
    int button_count() const;
    bool pressed(int index) const;
    void set_pressed(int index, bool pressed);
    Text caption(int index) const;
    Text tool_tip(int index) const;
    bool is_separator(int index) const;
    void click(int index);

    std::function<void(int index)> on_click;

private:
    struct Entry;
    std::vector<std::shared_ptr<Entry>> entries_;
    QObject* group_ = nullptr;
    QObject* tip_filter_ = nullptr;
};

// Status bar docked at the bottom of a window, in parts; the last part takes the rest.
class StatusBar : public Control {
public:
    StatusBar(Window& parent, const char* name, int height, const std::vector<int>& widths);
    void set_part_text(int part, std::string_view text);
    Text part_text(int part) const;
    int part_count() const;

private:
    std::vector<QWidget*> parts_;
};

// A pop-up menu owned by a window.
class PopupMenu {
public:
    PopupMenu(Window& owner, const char* name, const std::vector<Text>& items);
    ~PopupMenu();
    PopupMenu(const PopupMenu&) = delete;
    PopupMenu& operator=(const PopupMenu&) = delete;
    void popup(Point screen_position);
    bool is_open() const;
    void choose(int item);  // as if the user chose the item
    QWidget* widget() const;

    std::function<void(int item)> on_choose;

private:
    QWidget* menu_;
    std::vector<QAction*> actions_;
    std::unique_ptr<QObject> context_;
};

// A top-level window. Sizes are outer sizes: frame and caption included, as the platform
// reports its frame.
class Window : public Container {
public:
    enum class Frame {
        sizeable,  // resizable frame, system menu, minimise box, no maximise box
        none,      // no frame and no caption
    };
    Window(const char* name, std::string_view title, int outer_width, int outer_height,
           Frame frame);
    ~Window() override;

    const std::string& name() const { return name_; }
    Text title() const;
    int left() const;
    int top() const;
    int outer_width() const;
    int outer_height() const;
    int client_width() const;
    int client_height() const;
    // Sets the outer size, keeping left and top. A visible window gets its size-changed
    // event at once, before this returns.
    void set_outer_size(int width, int height);
    void set_outer_width(int width) { set_outer_size(width, outer_height()); }
    void set_outer_height(int height) { set_outer_size(outer_width(), height); }
    void move_to(int left, int top);
    void centre_on_screen();
    bool minimised() const;
    bool visible() const;
    std::uintptr_t native_handle() const;

    // The icon the platform shows for the window (a resource path).
    void set_icon(const char* picture);
    // Fills the client area with a picture (a resource path), scaled to fit.
    void set_background(const char* picture);
    // Keeps a control along the top or bottom edge at full client width.
    void dock_top(Control& control);
    void dock_bottom(Control& control);

    void show();
    // Shows the window modally and returns when it is closed; the program's other
    // windows take no input meanwhile.
    void show_modal();
    // Closes the window as the user would: on_close runs first.
    void close();

    // The size changed (also for nested changes made inside the handler).
    std::function<void()> on_resize;
    // The window is about to close for good; its controls still hold their content.
    std::function<void()> on_close;

    QWidget* widget() const { return host_; }

private:
    class Widget;
    friend class Widget;
    void dock();
    // Works the last outer size out again when the platform's frame has changed since it
    // was set: a window manager adds its frame only after the window is first shown.
    void recheck_frame();

    struct Sizing {
        int width, height;              // the outer size asked for
        int frame_width, frame_height;  // the frame it was worked out with
    };
    std::optional<Sizing> sizing_;

    std::string name_;
    Widget* window_;
    Control* docked_top_ = nullptr;
    Control* docked_bottom_ = nullptr;
};

}  // namespace xlt::ui
