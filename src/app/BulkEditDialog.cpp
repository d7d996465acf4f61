#include "BulkEditDialog.h"

#include "SpawnLayout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include <charconv>

namespace spawn {

namespace {

// Each item of the field list carries its kind and number.
constexpr int kEntryFlag = 0x100;

std::optional<std::int32_t> parseId(const QString& text) {
    const std::string s = text.trimmed().toStdString();
    std::int32_t id = 0;
    const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), id);
    if (s.empty() || error != std::errc() || end != s.data() + s.size()) {
        return std::nullopt;
    }
    return id;
}

} // namespace

BulkEditDialog::BulkEditDialog(Preview preview, std::size_t listedCount, QWidget* parent)
    : QDialog(parent), m_preview(std::move(preview)), m_listedCount(listedCount) {
    setWindowTitle(QStringLiteral("Edit listed records"));
    setObjectName(QStringLiteral("BulkEditDialog"));

    m_field = new QComboBox(this);
    m_field->setObjectName(QStringLiteral("BulkField"));
    for (std::size_t f = 1; f <= SpawnLayout::kAreaFieldCount; ++f) {
        if (isBulkEditableField(BulkFieldKind::Area, f)) {
            m_field->addItem(QStringLiteral("Area %1: %2")
                                 .arg(f)
                                 .arg(QString::fromStdString(bulkFieldName(BulkFieldKind::Area, f))),
                             static_cast<int>(f));
        }
    }
    for (std::size_t f = 1; f <= SpawnLayout::kEntryFieldCount; ++f) {
        m_field->addItem(QStringLiteral("Entry %1: %2")
                             .arg(f)
                             .arg(QString::fromStdString(bulkFieldName(BulkFieldKind::Entry, f))),
                         static_cast<int>(f) | kEntryFlag);
    }
    m_onlyCreature = new QCheckBox(QStringLiteral("Only entries of NPC--ID"), this);
    m_onlyCreature->setObjectName(QStringLiteral("BulkOnlyCreature"));
    m_creatureId = new QLineEdit(this);
    m_creatureId->setObjectName(QStringLiteral("BulkCreatureId"));
    m_operation = new QComboBox(this);
    m_operation->setObjectName(QStringLiteral("BulkOperation"));
    m_operation->addItem(QStringLiteral("Set to"), static_cast<int>(BulkOperation::Set));
    m_operation->addItem(QStringLiteral("Add"), static_cast<int>(BulkOperation::Add));
    m_operation->addItem(QStringLiteral("Multiply by"), static_cast<int>(BulkOperation::Multiply));
    m_value = new QLineEdit(this);
    m_value->setObjectName(QStringLiteral("BulkValue"));
    m_summary = new QLabel(this);
    m_summary->setObjectName(QStringLiteral("BulkSummary"));
    m_summary->setWordWrap(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Field:"), m_field);
    form->addRow(m_onlyCreature, m_creatureId);
    form->addRow(QStringLiteral("Operation:"), m_operation);
    form->addRow(QStringLiteral("Value:"), m_value);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    m_ok = buttons->button(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_summary);
    layout->addWidget(buttons);

    connect(m_field, &QComboBox::currentIndexChanged, this, &BulkEditDialog::updatePreview);
    connect(m_operation, &QComboBox::currentIndexChanged, this, &BulkEditDialog::updatePreview);
    connect(m_onlyCreature, &QCheckBox::toggled, this, &BulkEditDialog::updatePreview);
    connect(m_creatureId, &QLineEdit::textChanged, this, &BulkEditDialog::updatePreview);
    connect(m_value, &QLineEdit::textChanged, this, &BulkEditDialog::updatePreview);
    updatePreview();
}

BulkEditSpec BulkEditDialog::spec() const {
    BulkEditSpec spec;
    const int item = m_field->currentData().toInt();
    spec.kind = (item & kEntryFlag) ? BulkFieldKind::Entry : BulkFieldKind::Area;
    spec.field = static_cast<std::size_t>(item & ~kEntryFlag);
    if (spec.kind == BulkFieldKind::Entry && m_onlyCreature->isChecked()) {
        spec.onlyCreature = parseId(m_creatureId->text());
    }
    spec.operation = static_cast<BulkOperation>(m_operation->currentData().toInt());
    spec.value = m_value->text().toStdString();
    return spec;
}

void BulkEditDialog::updatePreview() {
    const bool entry = (m_field->currentData().toInt() & kEntryFlag) != 0;
    m_onlyCreature->setEnabled(entry);
    m_creatureId->setEnabled(entry && m_onlyCreature->isChecked());
    const QString listed = QString::fromStdString(recordCountText(static_cast<std::int64_t>(m_listedCount)));
    if (entry && m_onlyCreature->isChecked() && !parseId(m_creatureId->text())) {
        m_summary->setText(QStringLiteral("Type the NPC--ID whose entries change."));
        m_ok->setEnabled(false);
        return;
    }
    if (m_value->text().trimmed().isEmpty()) {
        m_summary->setText(QStringLiteral("%1 listed. Type a value.").arg(listed));
        m_ok->setEnabled(false);
        return;
    }
    const auto plan = m_preview(spec());
    if (!plan) {
        m_summary->setText(QString::fromStdString(plan.error().message));
        m_ok->setEnabled(false);
        return;
    }
    m_summary->setText(QString::fromStdString(
        recordCountText(static_cast<std::int64_t>(plan.value().changes.size())) + ", " +
        countText(static_cast<std::int64_t>(plan.value().fields), "field", "fields") + " will change"));
    m_ok->setEnabled(!plan.value().changes.empty());
}

} // namespace spawn
