// DlgSecret: a small skinned question with hidden input (the operator PIN), behind Prompts::askSecret.
#pragma once

#include <optional>

#include <QDialog>

class QLineEdit;
class SkStatic;

class DlgSecret : public QDialog {
    Q_OBJECT
public:
    DlgSecret(const QString& title, const QString& label, QWidget* parent = nullptr);
    /// The text entered, or nullopt when cancelled.
    std::optional<QString> ask();
    QLineEdit* entry() const { return m_entry; }

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QLineEdit* m_entry;
};
