// CThumbnailButton: one thumbnail of the picture chooser, a small self-drawn window that shows the
// picture and its name, follows the pointer, and reports clicks to its dialog.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>

class CThumbnailButton : public QWidget {
    Q_OBJECT
public:
    /// Thumbnail area inside the button.
    static constexpr int kThumbWidth = 90;
    static constexpr int kThumbHeight = 67;

    /// The button for path. The thumbnail is set later (setThumbnail) or built now (loadNow).
    explicit CThumbnailButton(const QString& path, QWidget* parent = nullptr);

    QString path() const { return m_path; }
    /// File name and extension without the folder.
    QString displayName() const { return m_name; }
    void setThumbnail(const QImage& thumbnail);
    const QImage& thumbnail() const { return m_thumbnail; }
    bool hasThumbnail() const { return !m_thumbnail.isNull(); }
    /// Builds the thumbnail on this thread; false when the file is no picture.
    bool loadNow();
    bool isLoading() const { return m_loading; }
    void setLoading(bool on);

    bool isHovered() const { return m_hovered; }
    bool isPressed() const { return m_pressed; }

signals:
    // The three click notifications the dialog registers for.
    void leftClicked(CThumbnailButton* button);
    void rightClicked(CThumbnailButton* button);
    void doubleClicked(CThumbnailButton* button);

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void mouseMoveEvent(QMouseEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void mouseDoubleClickEvent(QMouseEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    void hoverOn();
    void pressOn();

    QString m_path;
    QString m_name;
    QImage m_thumbnail;
    bool m_loading = false;
    bool m_hovered = false;
    bool m_pressed = false;
};
