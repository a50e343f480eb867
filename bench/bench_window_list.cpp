// How long the report list takes to take 200,000 rows of four columns (the size of a big
// match run), and to show them, against a peer: the same rows as one item per cell in a
// standard item model. Run on Qt's offscreen platform:
//
//   QT_QPA_PLATFORM=offscreen build/bench/bench_window_list [rows]
#include <QApplication>
#include <QStandardItemModel>
#include <QTreeView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/ui/application.h"
#include "platform/ui/controls.h"

namespace {

using Clock = std::chrono::steady_clock;

double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// A match text and two group texts of realistic length, partly Chinese (GBK).
const std::string kMatch = "<span class=num>12345</span> \xD4\xAA";  // 元
const std::string kGroup1 = "12345";
const std::string kGroup2 = "\xC6\xBB\xB9\xFB";  // 苹果

double fill_report_list(xlt::ui::Window& window, int rows, bool batched) {
    xlt::ui::ReportList list(window, "list", {0, 0, 760, 500},
                             {{"n", 50, xlt::ui::Align::left}, {"m", 100, xlt::ui::Align::left}});
    list.widget()->show();
    QApplication::processEvents();
    const auto start = Clock::now();
    if (batched) {
        list.begin_update();
    }
    list.delete_all_rows();
    list.append_column({"g1", 100, xlt::ui::Align::left});
    list.append_column({"g2", 100, xlt::ui::Align::left});
    for (int i = 0; i < rows; ++i) {
        const int row = list.append_row();
        list.set_cell(row, 0, std::to_string(i + 1));
        list.set_cell(row, 1, kMatch);
        list.set_cell(row, 2, kGroup1);
        list.set_cell(row, 3, kGroup2);
    }
    if (batched) {
        list.end_update();
    }
    QApplication::processEvents();  // the view lays out and paints the first screen
    return ms_since(start);
}

double fill_item_model(QWidget* parent, int rows) {
    auto* view = new QTreeView(parent);
    view->setUniformRowHeights(true);
    view->setGeometry(0, 0, 760, 500);
    view->show();
    QStandardItemModel model(0, 4);
    view->setModel(&model);
    QApplication::processEvents();
    const auto start = Clock::now();
    const QString match = QString::fromUtf8("<span class=num>12345</span> 元");
    for (int i = 0; i < rows; ++i) {
        QList<QStandardItem*> cells;
        cells << new QStandardItem(QString::number(i + 1)) << new QStandardItem(match)
              << new QStandardItem(QStringLiteral("12345"))
              << new QStandardItem(QString::fromUtf8("苹果"));
        model.appendRow(cells);
    }
    QApplication::processEvents();
    const double elapsed = ms_since(start);
    view->setModel(nullptr);
    delete view;
    return elapsed;
}

}  // namespace

int main(int argc, char** argv) {
    const int rows = argc > 1 ? std::atoi(argv[1]) : 200000;
    xlt::ui::Application application(argc, argv);
    xlt::ui::Window window("bench", "bench", 800, 600, xlt::ui::Window::Frame::sizeable);
    window.show();

    std::printf("%d rows x 4 columns, click to first screen drawn\n", rows);
    std::printf("  report list, batched          %9.1f ms\n", fill_report_list(window, rows, true));
    std::printf("  report list, row by row       %9.1f ms\n",
                fill_report_list(window, rows, false));
    std::printf("  peer: one item per cell       %9.1f ms\n",
                fill_item_model(window.widget(), rows));
    return 0;
}
