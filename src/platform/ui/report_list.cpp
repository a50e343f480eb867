// The report-view list: a table model holding the cells as GBK texts (converted only when
// a row is drawn) under a tree view in report style. Appending a row or setting a cell is
// a vector operation; inside begin_update/end_update the view is told nothing until the
// end, so filling hundreds of thousands of rows stays quick.
#include <QAbstractTableModel>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QTreeView>
#include <algorithm>

#include "platform/ui/controls.h"
#include "platform/ui/qt_text.h"

namespace xlt::ui {

namespace {

Qt::Alignment to_qt(Align align) {
    switch (align) {
        case Align::left:
            return Qt::AlignLeft | Qt::AlignVCenter;
        case Align::right:
            return Qt::AlignRight | Qt::AlignVCenter;
        case Align::center:
            return Qt::AlignHCenter | Qt::AlignVCenter;
    }
    return Qt::AlignLeft | Qt::AlignVCenter;
}

}  // namespace

class ReportList::Model : public QAbstractTableModel {
public:
    Model(QObject* parent, const std::vector<Column>& columns)
        : QAbstractTableModel(parent), columns_(columns) {}

    int rowCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_.size());
    }
    int columnCount(const QModelIndex& parent) const override {
        return parent.isValid() ? 0 : static_cast<int>(columns_.size());
    }

    QVariant data(const QModelIndex& index, int role) const override {
        if (!index.isValid()) {
            return {};
        }
        if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
            return to_qstring(cell(index.row(), index.column()));
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(to_qt(columns_[index.column()].align));
        }
        return {};
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || section < 0 ||
            section >= static_cast<int>(columns_.size())) {
            return {};
        }
        if (role == Qt::DisplayRole) {
            return to_qstring(columns_[section].title);
        }
        if (role == Qt::TextAlignmentRole) {
            return QVariant::fromValue(to_qt(columns_[section].align));
        }
        return {};
    }

    bool batching() const { return depth_ > 0; }

    void begin_update() {
        if (depth_++ == 0) {
            beginResetModel();
        }
    }
    // True when the outermost update ended and the view was reset.
    bool end_update() {
        if (depth_ == 0) {
            return false;
        }
        if (--depth_ == 0) {
            endResetModel();
            return true;
        }
        return false;
    }

    int append_row() {
        const int row = static_cast<int>(rows_.size());
        if (!batching()) {
            beginInsertRows(QModelIndex(), row, row);
        }
        rows_.emplace_back();
        if (!batching()) {
            endInsertRows();
        }
        return row;
    }

    bool set_cell(int row, int column, std::string_view text) {
        if (!valid(row, column)) {
            return false;
        }
        std::vector<Text>& cells = rows_[row];
        if (static_cast<int>(cells.size()) <= column) {
            cells.resize(column + 1);
        }
        cells[column] = Text(text);
        if (!batching()) {
            const QModelIndex at = index(row, column);
            emit dataChanged(at, at, {Qt::DisplayRole});
        }
        return true;
    }

    Text cell(int row, int column) const {
        if (!valid(row, column)) {
            return {};
        }
        const std::vector<Text>& cells = rows_[row];
        return column < static_cast<int>(cells.size()) ? cells[column] : Text();
    }

    bool delete_row(int row) {
        if (row < 0 || row >= static_cast<int>(rows_.size())) {
            return false;
        }
        if (!batching()) {
            beginRemoveRows(QModelIndex(), row, row);
        }
        rows_.erase(rows_.begin() + row);
        if (!batching()) {
            endRemoveRows();
        }
        return true;
    }

    void delete_all_rows() {
        if (!batching()) {
            beginResetModel();
        }
        rows_.clear();
        if (!batching()) {
            endResetModel();
        }
    }

    void set_columns(const std::vector<Column>& columns) {
        if (!batching()) {
            beginResetModel();
        }
        columns_ = columns;
        for (std::vector<Text>& cells : rows_) {
            if (cells.size() > columns_.size()) {
                cells.resize(columns_.size());
            }
        }
        if (!batching()) {
            endResetModel();
        }
    }

    void append_column(const Column& column) {
        const int at = static_cast<int>(columns_.size());
        if (!batching()) {
            beginInsertColumns(QModelIndex(), at, at);
        }
        columns_.push_back(column);
        if (!batching()) {
            endInsertColumns();
        }
    }

    const std::vector<Column>& columns() const { return columns_; }

private:
    bool valid(int row, int column) const {
        return row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 &&
               column < static_cast<int>(columns_.size());
    }

    std::vector<Column> columns_;
    std::vector<std::vector<Text>> rows_;
    int depth_ = 0;
};

namespace {

QTreeView* make_view(QWidget* parent) {
    auto* view = new QTreeView(parent);
    view->setRootIsDecorated(false);
    view->setItemsExpandable(false);
    view->setUniformRowHeights(true);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setSortingEnabled(false);
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    return view;
}

QTreeView* view_of(QWidget* widget) {
    return static_cast<QTreeView*>(widget);
}

void apply_widths(QTreeView* view, const std::vector<Column>& columns) {
    for (std::size_t i = 0; i < columns.size(); ++i) {
        view->header()->resizeSection(static_cast<int>(i), columns[i].width);
    }
}

}  // namespace

ReportList::ReportList(Container& parent, const char* name, const Rect& place,
                       const std::vector<Column>& columns)
    : Control(name, make_view(parent.host()), place) {
    QTreeView* view = view_of(widget());
    model_ = new Model(view, columns);
    view->setModel(model_);
    apply_widths(view, columns);
    QObject::connect(view, &QWidget::customContextMenuRequested, context(), [this] {
        if (on_right_click) {
            on_right_click();
        }
    });
}

ReportList::~ReportList() = default;

int ReportList::row_count() const {
    return model_->rowCount(QModelIndex());
}
int ReportList::column_count() const {
    return model_->columnCount(QModelIndex());
}

Column ReportList::column(int index) const {
    if (index < 0 || index >= column_count()) {
        return {};
    }
    Column c = model_->columns()[index];
    if (!model_->batching()) {
        c.width = view_of(widget())->header()->sectionSize(index);
    }
    return c;
}

int ReportList::append_row() {
    return model_->append_row();
}

bool ReportList::set_cell(int row, int column, std::string_view text) {
    return model_->set_cell(row, column, text);
}

Text ReportList::cell(int row, int column) const {
    return model_->cell(row, column);
}

int ReportList::selected_row() const {
    if (model_->batching()) {
        return -1;
    }
    const QModelIndexList rows = view_of(widget())->selectionModel()->selectedRows();
    int lowest = -1;
    for (const QModelIndex& index : rows) {
        if (lowest < 0 || index.row() < lowest) {
            lowest = index.row();
        }
    }
    return lowest;
}

void ReportList::select_row(int row) {
    QTreeView* view = view_of(widget());
    if (row < 0 || row >= row_count() || model_->batching()) {
        view->clearSelection();
        return;
    }
    view->selectionModel()->select(model_->index(row, 0),
                                   QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    view->selectionModel()->setCurrentIndex(model_->index(row, 0), QItemSelectionModel::NoUpdate);
}

bool ReportList::delete_row(int row) {
    return model_->delete_row(row);
}

void ReportList::delete_all_rows() {
    model_->delete_all_rows();
}

void ReportList::set_columns(const std::vector<Column>& columns) {
    model_->set_columns(columns);
    if (!model_->batching()) {
        apply_widths(view_of(widget()), model_->columns());
    }
}

void ReportList::append_column(const Column& column) {
    model_->append_column(column);
    if (!model_->batching()) {
        view_of(widget())->header()->resizeSection(column_count() - 1, column.width);
    }
}

void ReportList::begin_update() {
    widget()->setUpdatesEnabled(false);
    model_->begin_update();
}

void ReportList::end_update() {
    if (model_->end_update()) {
        apply_widths(view_of(widget()), model_->columns());
        widget()->setUpdatesEnabled(true);
    }
}

}  // namespace xlt::ui
