// The tab control. Every page covers the whole control, so that a control on a page is
// placed relative to the tab control's own top-left corner; the page headers (when shown)
// lie on top, and the rows of controls on a page start below them.
#include <QPainter>
#include <QResizeEvent>
#include <QStyle>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QWidget>

#include "platform/ui/controls.h"
#include "platform/ui/fonts.h"
#include "platform/ui/qt_text.h"

namespace xlt::ui {
namespace {

class TabPanel : public QWidget {
public:
    TabPanel(QWidget* parent, bool headers) : QWidget(parent) {
        setFont(song_font(12));
        if (headers) {
            bar_ = new QTabBar(this);
            bar_->setObjectName(QStringLiteral("tab_bar"));
            bar_->setDrawBase(false);
            bar_->setExpanding(false);
            QObject::connect(bar_, &QTabBar::currentChanged, this,
                             [this](int index) { show_page(index); });
        }
    }

    QWidget* add_page(const QString& title, const QString& name) {
        auto* page = new QWidget(this);
        page->setObjectName(name);
        pages_.push_back(page);
        if (bar_ != nullptr) {
            bar_->addTab(title);
            bar_->raise();
        }
        lay_out();
        show_page(current_ < 0 ? 0 : current_);
        return page;
    }

    int current() const { return current_; }

    void show_page(int index) {
        if (index < 0 || index >= static_cast<int>(pages_.size())) {
            return;
        }
        current_ = index;
        if (bar_ != nullptr && bar_->currentIndex() != index) {
            bar_->setCurrentIndex(index);
        }
        for (std::size_t i = 0; i < pages_.size(); ++i) {
            pages_[i]->setVisible(static_cast<int>(i) == index);
        }
    }

    void lay_out() {
        if (bar_ != nullptr) {
            bar_->setGeometry(0, 0, std::min(width(), bar_->sizeHint().width()), bar_height());
        }
        for (QWidget* page : pages_) {
            page->setGeometry(rect());
        }
    }

protected:
    void resizeEvent(QResizeEvent* event) override {
        QWidget::resizeEvent(event);
        lay_out();
    }

    void paintEvent(QPaintEvent*) override {
        if (bar_ == nullptr) {
            return;
        }
        QPainter painter(this);
        QStyleOptionTabWidgetFrame frame;
        frame.initFrom(this);
        const int overlap = style()->pixelMetric(QStyle::PM_TabBarBaseOverlap, nullptr, this);
        const int top = std::max(0, bar_height() - overlap);
        frame.rect = QRect(0, top, width(), height() - top);
        frame.shape = QTabBar::RoundedNorth;
        frame.tabBarSize = bar_->sizeHint();
        frame.tabBarRect = bar_->geometry();
        frame.selectedTabRect = bar_->tabRect(bar_->currentIndex());
        frame.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, this);
        style()->drawPrimitive(QStyle::PE_FrameTabWidget, &frame, &painter, this);
    }

private:
    int bar_height() const { return bar_ != nullptr ? bar_->sizeHint().height() : 0; }

    QTabBar* bar_ = nullptr;
    std::vector<QWidget*> pages_;
    int current_ = -1;
};

TabPanel* panel_of(QWidget* widget) {
    return static_cast<TabPanel*>(widget);
}

}  // namespace

class TabControl::Page : public Container {
public:
    explicit Page(QWidget* page) { host_ = page; }
};

TabControl::TabControl(Container& parent, const char* name, const Rect& place,
                       const std::vector<Text>& pages, bool headers)
    : Control(name, new TabPanel(parent.host(), headers), place) {
    TabPanel* panel = panel_of(widget());
    for (std::size_t i = 0; i < pages.size(); ++i) {
        QWidget* page = panel->add_page(to_qstring(pages[i]),
                                        QString::fromUtf8(name) + QStringLiteral("_page%1").arg(i));
        pages_.push_back(std::make_unique<Page>(page));
    }
    panel->show_page(0);
}

TabControl::~TabControl() = default;

Container& TabControl::page(int index) {
    return *pages_.at(static_cast<std::size_t>(index));
}
int TabControl::page_count() const {
    return static_cast<int>(pages_.size());
}
int TabControl::current_page() const {
    return panel_of(widget())->current();
}
void TabControl::set_current_page(int index) {
    panel_of(widget())->show_page(index);
}

}  // namespace xlt::ui
