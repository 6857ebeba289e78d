#pragma once
// A tool bar that wraps its controls onto further lines instead of hiding them when it is narrow.
#include <QFrame>
#include <QLayout>
#include <QList>

class QAction;

// Lays out items left to right and starts a new line where the next one would not fit.
class flow_layout : public QLayout {
public:
    explicit flow_layout(QWidget* parent, int spacing = 2);
    ~flow_layout() override;

    void addItem(QLayoutItem* item) override;
    void insertItem(int index, QLayoutItem* item);
    int count() const override { return static_cast<int>(items_.size()); }
    QLayoutItem* itemAt(int index) const override { return items_.value(index); }
    QLayoutItem* takeAt(int index) override;
    Qt::Orientations expandingDirections() const override { return {}; }
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override { return Arrange(QRect(0, 0, width, 0), false); }
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect& rect) override;

private:
    int Arrange(const QRect& rect, bool place) const;
    QList<QLayoutItem*> items_;
};

class flow_bar : public QFrame {
    Q_OBJECT
public:
    explicit flow_bar(QWidget* parent = nullptr);
    // The same calls as on a tool bar, so controls can be added in the same way.
    QAction* addWidget(QWidget* widget);
    // Places `widget` before the control now at `index` (at the end when there is none).
    void insertWidget(int index, QWidget* widget);
    void addSeparator();
};
