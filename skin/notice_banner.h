// NoticeBanner: one-way notices on a screen (a restored session, a damaged project, an autosave
// that failed) that never block it. Each notice has a key, so it can be replaced or withdrawn;
// timed notices close by themselves, the others stay until withdrawn or closed with their "x".
#pragma once

#include <QList>
#include <QString>
#include <QTimer>
#include <QWidget>

class NoticeBanner : public QWidget {
    Q_OBJECT
public:
    enum Kind { Information, Warning };
    /// How long a timed notice stays (ms).
    static constexpr int kDefaultTimeoutMs = 12000;
    /// Notices shown at once; older ones wait below the newest.
    static constexpr int kShownAtOnce = 2;

    /// Lies over parent inside area (parent coordinates), growing upwards from its bottom edge.
    NoticeBanner(const QRect& area, QWidget* parent);

    /// Shows text under key, replacing a notice of that key. timeoutMs 0 keeps it until
    /// withdraw() or its close button. Every notice is also written to the log (stderr).
    void post(const QString& key, const QString& text, Kind kind = Information, int timeoutMs = kDefaultTimeoutMs);
    void withdraw(const QString& key);
    bool has(const QString& key) const;
    /// The text of key's notice (empty when there is none).
    QString text(const QString& key) const;
    /// The texts of all notices, newest first.
    QStringList texts() const;

signals:
    void changed();

protected:
    void paintEvent(QPaintEvent*) override;
    void mouseReleaseEvent(QMouseEvent*) override;

private:
    struct Notice {
        QString key;
        QString text;
        Kind kind;
        qint64 expires; ///< msecs since epoch; 0 = never
    };
    void relayout();
    void expire();
    /// The close box of the shown notice i (widget coordinates).
    QRect closeBox(int i) const;
    QList<QRect> noticeRects() const;

    QRect m_area;
    QList<Notice> m_notices; ///< newest first
    QTimer m_timer;
};
