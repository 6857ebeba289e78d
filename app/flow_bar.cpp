#include "app/flow_bar.h"

#include <algorithm>

#include <QAction>
#include <QWidget>

flow_layout::flow_layout(QWidget* parent, int spacing) : QLayout(parent)
{
    setContentsMargins(2, 2, 2, 2);
    setSpacing(spacing);
}

flow_layout::~flow_layout()
{
    while (QLayoutItem* item = takeAt(0)) delete item;
}

void flow_layout::addItem(QLayoutItem* item) { items_.append(item); }

void flow_layout::insertItem(int index, QLayoutItem* item)
{
    items_.insert(qBound(0, index, static_cast<int>(items_.size())), item);
    invalidate();
}

QLayoutItem* flow_layout::takeAt(int index)
{
    if (index < 0 || index >= items_.size()) return nullptr;
    return items_.takeAt(index);
}

QSize flow_layout::minimumSize() const
{
    QSize size;
    for (const QLayoutItem* item : items_) size = size.expandedTo(item->minimumSize());
    const QMargins margins = contentsMargins();
    return size + QSize(margins.left() + margins.right(), margins.top() + margins.bottom());
}

QSize flow_layout::sizeHint() const
{
    // One line holding everything.
    int width = 0;
    int height = 0;
    for (const QLayoutItem* item : items_) {
        if (item->isEmpty()) continue;
        width += item->sizeHint().width() + spacing();
        height = std::max(height, item->sizeHint().height());
    }
    const QMargins margins = contentsMargins();
    return {width + margins.left() + margins.right(), height + margins.top() + margins.bottom()};
}

void flow_layout::setGeometry(const QRect& rect)
{
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}

int flow_layout::Arrange(const QRect& rect, bool place) const
{
    const QRect area = rect.marginsRemoved(contentsMargins());
    int x = area.x();
    int y = area.y();
    int line_height = 0;
    // Items of one line share its height, centred vertically.
    QList<std::pair<QLayoutItem*, QPoint>> line;
    auto finish_line = [&] {
        if (place)
            for (auto& [item, at] : line) {
                const QSize size = item->sizeHint();
                item->setGeometry(QRect(QPoint(at.x(), at.y() + (line_height - size.height()) / 2), size));
            }
        line.clear();
    };
    for (QLayoutItem* item : items_) {
        if (item->isEmpty()) continue;
        QSize size = item->sizeHint().boundedTo(QSize(std::max(1, area.width()), QWIDGETSIZE_MAX));
        if (x + size.width() > area.right() + 1 && x > area.x()) {
            finish_line();
            x = area.x();
            y += line_height + spacing();
            line_height = 0;
        }
        line.append({item, QPoint(x, y)});
        x += size.width() + spacing();
        line_height = std::max(line_height, size.height());
    }
    finish_line();
    return y + line_height - rect.y() + contentsMargins().bottom();
}

flow_bar::flow_bar(QWidget* parent) : QFrame(parent)
{
    new flow_layout(this);
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

QAction* flow_bar::addWidget(QWidget* widget)
{
    widget->setParent(this);
    layout()->addWidget(widget);
    widget->show();
    return nullptr;
}

void flow_bar::insertWidget(int index, QWidget* widget)
{
    widget->setParent(this);
    static_cast<flow_layout*>(layout())->insertItem(index, new QWidgetItem(widget));
    widget->show();
}

void flow_bar::addSeparator()
{
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::VLine);
    line->setFrameShadow(QFrame::Sunken);
    line->setFixedHeight(24);
    layout()->addWidget(line);
}
