#include "comparedialog.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

namespace {

// The columns, and what each cell of a row shows. A screen reader reads a table's row cell by
// cell: each cell says its part of the row's sentence, so that the row is heard once.
struct Column
{
    const char *heading;
    QString (*text)(const ConfigComparison::Row &row);
};

const Column columns[] = {
    {"ITEM", [](const ConfigComparison::Row &row) { return PanelConfiguration::name(row.address); }},
    {"WINDOW", &ConfigComparison::ownText},
    {"PANEL", &ConfigComparison::panelText},
    {"A WRITE SENDS",
     [](const ConfigComparison::Row &row) {
         const QString remedy = ConfigComparison::remedyText(row);
         return remedy.isEmpty() ? ConfigComparison::sentText(row)
                                 : ConfigComparison::sentText(row) + QStringLiteral(" - ") + remedy;
     }},
};

} // namespace

CompareDialog::CompareDialog(QWidget *parent)
    : QDialog(parent)
    , m_table(new QTableWidget(0, int(std::size(columns)), this))
    , m_take(new QPushButton(QStringLiteral("TAKE PANEL VALUE"), this))
    , m_takeAll(new QPushButton(QStringLiteral("TAKE ALL PANEL VALUES"), this))
    , m_save(new QPushButton(QStringLiteral("SAVE PANEL CONFIGURATION"), this))
    , m_close(new QPushButton(QStringLiteral("CLOSE"), this))
{
    setObjectName(QStringLiteral("CompareDialog"));
    setWindowTitle(QStringLiteral("COMPARE WITH SWITCH PANEL"));
    setModal(false);
    QStringList headings;
    for (const Column &column : columns)
        headings << QString::fromLatin1(column.heading);
    m_table->setObjectName(QStringLiteral("CompareTable"));
    m_table->setAccessibleName(QStringLiteral("Differences from the switch panel"));
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setTabKeyNavigation(false); // Tab leaves the table for the buttons
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setWordWrap(true);

    m_take->setObjectName(QStringLiteral("TakePanelValue"));
    m_takeAll->setObjectName(QStringLiteral("TakeAllPanelValues"));
    m_save->setObjectName(QStringLiteral("SavePanelConfiguration"));
    m_close->setObjectName(QStringLiteral("CloseCompare"));
    for (QPushButton *button : {m_take, m_takeAll, m_save, m_close})
        button->setAutoDefault(false);
    auto *buttons = new QDialogButtonBox(this);
    buttons->addButton(m_take, QDialogButtonBox::ActionRole);
    buttons->addButton(m_takeAll, QDialogButtonBox::ActionRole);
    buttons->addButton(m_save, QDialogButtonBox::ActionRole);
    buttons->addButton(m_close, QDialogButtonBox::RejectRole);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_table);
    layout->addWidget(buttons);
    resize(760, 320);

    connect(m_take, &QPushButton::clicked, this, [this] {
        if (const int address = currentAddress(); address >= 0)
            emit takeRequested(address);
    });
    connect(m_takeAll, &QPushButton::clicked, this, &CompareDialog::takeAllRequested);
    connect(m_save, &QPushButton::clicked, this, &CompareDialog::saveRequested);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_table, &QTableWidget::currentCellChanged, this, &CompareDialog::updateButtons);
}

void CompareDialog::setComparison(const ConfigComparison &comparison)
{
    const int keptRow = m_table->currentRow();
    m_comparison = comparison;
    m_table->setRowCount(int(comparison.rows.size()));
    for (int r = 0; r < int(comparison.rows.size()); ++r) {
        const ConfigComparison::Row &row = comparison.rows[r];
        const QString sentence = ConfigComparison::sentence(row);
        const QStringList spoken = ConfigComparison::sentenceParts(row);
        for (int c = 0; c < int(std::size(columns)); ++c) {
            auto *cell = new QTableWidgetItem(columns[c].text(row));
            cell->setData(Qt::AccessibleTextRole, spoken.value(c));
            cell->setToolTip(sentence);
            m_table->setItem(r, c, cell);
        }
    }
    m_table->resizeColumnsToContents();
    m_table->resizeRowsToContents();
    if (!comparison.rows.isEmpty())
        m_table->setCurrentCell(std::clamp(keptRow, 0, int(comparison.rows.size()) - 1), 0);
    updateButtons();
}

int CompareDialog::currentAddress() const
{
    const int row = m_table->currentRow();
    return row >= 0 && row < int(m_comparison.rows.size()) ? m_comparison.rows[row].address : -1;
}

void CompareDialog::updateButtons()
{
    const int row = m_table->currentRow();
    const bool takeable = row >= 0 && row < int(m_comparison.rows.size())
        && m_comparison.rows[row].remedy == ConfigComparison::Remedy::Take;
    m_take->setEnabled(takeable);
    m_takeAll->setEnabled(!m_comparison.takes().isEmpty());
}
