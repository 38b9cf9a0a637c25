// MessageBoxDlg: the skinned message box. Captions and icons by style, OK/Cancel or Yes/No,
// a size that follows the measured text, a close button, and dragging by any free spot.
#pragma once

#include <QDialog>
#include <QList>
#include <QRect>
#include <QSize>
#include <QStringList>

class CButtonST;
class SkIcon;
class SkStatic;

/// The size and places of a message box for given line sizes (the measured text).
struct MessageBoxLayout {
    int m = 0; ///< widest line + 10 (0 for no text)
    int textHeight = 0; ///< H: sum of line heights + one pixel per line
    QSize box;
    QRect icon, message, close, caption, first, second;
    bool twoButtons = false;

    static MessageBoxLayout compute(const QList<QSize>& lineSizes, unsigned style);
};

class MessageBoxDlg : public QDialog {
    Q_OBJECT
public:
    enum ControlIds { kCaptionId = 1172, kMessageId = 1173, kIconId = 1174, kCloseId = 1175 };

    explicit MessageBoxDlg(QWidget* parent = nullptr);

    /// Shows the box modally; returns IdOk/IdCancel or IdYes/IdNo (platform/prompts.h).
    int ShowMessage(const QString& text, unsigned style, const QString& caption = {});
    /// Shows it centred on placement instead of the parent.
    void setPlacement(const QRect& placement) { m_placement = placement; }

    /// Sets text, style and caption and lays the box out, without showing it.
    void prepare(const QString& text, unsigned style, const QString& caption = {});
    /// prepare() and a non-modal show; the result arrives with finished(int) / result().
    void showNonBlocking(const QString& text, unsigned style, const QString& caption = {});
    int resultCode() const { return m_result; }

    const MessageBoxLayout& layout() const { return m_layout; }
    QString captionText() const;
    /// The icon's skin id (257 error, 258 warning, 259 question, 260 information).
    int iconId() const;
    CButtonST* firstButton() const { return m_first; }
    CButtonST* secondButton() const { return m_second; }
    CButtonST* closeButton() const { return m_close; }
    SkStatic* messageControl() const { return m_message; }

public slots:
    void reject() override;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent*) override;
    void keyPressEvent(QKeyEvent*) override;

private:
    void finish(int code);

    unsigned m_style = 0;
    int m_result = 2;
    QRect m_placement;
    MessageBoxLayout m_layout;
    SkStatic* m_caption;
    SkStatic* m_message;
    SkIcon* m_icon;
    CButtonST* m_first;
    CButtonST* m_second;
    CButtonST* m_close;
};
