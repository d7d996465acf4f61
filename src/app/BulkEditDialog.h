#pragma once

#include "BulkEdit.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace spawn {

// "Edit listed records…": one field, an operation and a value, with a line that tells at once
// what the edit would change (or why it would be refused). The caller carries the edit out.
class BulkEditDialog : public QDialog {
    Q_OBJECT
public:
    using Preview = std::function<Result<BulkEditPlan>(const BulkEditSpec&)>;

    // `preview` plans the edit over the listed records; called on every change of the inputs.
    BulkEditDialog(Preview preview, std::size_t listedCount, QWidget* parent = nullptr);

    BulkEditSpec spec() const;

private:
    void updatePreview();

    Preview m_preview;
    std::size_t m_listedCount;
    QComboBox* m_field = nullptr;
    QCheckBox* m_onlyCreature = nullptr;
    QLineEdit* m_creatureId = nullptr;
    QComboBox* m_operation = nullptr;
    QLineEdit* m_value = nullptr;
    QLabel* m_summary = nullptr;
    QPushButton* m_ok = nullptr;
};

} // namespace spawn
