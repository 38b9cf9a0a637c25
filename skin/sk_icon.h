// SkIcon: an icon picture (e.g. the message box's 32 x 32 icon), drawn centred with its alpha.
#pragma once

#include <QImage>
#include <QWidget>

class SkIcon : public QWidget {
    Q_OBJECT
public:
    explicit SkIcon(QWidget* parent = nullptr);
    /// Shows the skin bitmap id (0 clears).
    void setIconId(int id);
    void setImage(const QImage& img);
    const QImage& image() const { return m_image; }
    int iconId() const { return m_id; }

protected:
    void paintEvent(QPaintEvent*) override;
    QSize sizeHint() const override { return m_image.isNull() ? QSize(32, 32) : m_image.size(); }

private:
    QImage m_image;
    int m_id = 0;
};
