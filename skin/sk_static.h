// SkStatic: a static text drawn transparently over a skinned background.
#pragma once

#include <QColor>
#include <QWidget>

class SkStatic : public QWidget {
    Q_OBJECT
public:
    explicit SkStatic(QWidget* parent = nullptr);
    SkStatic(const QString& text, QWidget* parent = nullptr);

    void setText(const QString& text);
    QString text() const { return m_text; }
    void setTextColor(const QColor& c);
    QColor textColor() const { return m_colour; }
    void setAlignment(Qt::Alignment a);
    /// Multi-line text wraps at the widget width; single-line text is elided with "...".
    void setWordWrap(bool on);

protected:
    void paintEvent(QPaintEvent*) override;
    QSize sizeHint() const override;

private:
    QString m_text;
    QColor m_colour;
    Qt::Alignment m_align = Qt::AlignLeft | Qt::AlignVCenter;
    bool m_wrap = false;
};
