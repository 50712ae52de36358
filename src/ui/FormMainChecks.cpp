#include "ui/FormMain.h"

#include <QTreeWidget>

namespace quorvia::ui {
namespace {

template <typename Fn>
void ForEachRow(QTreeWidget* list, Fn fn)
{
    for (int i = 0; i < list->topLevelItemCount(); ++i) fn(list->topLevelItem(i));
}

void SetSelectedChecked(QTreeWidget* list, bool checked)
{
    const QList<QTreeWidgetItem*> selected = list->selectedItems();
    if (!selected.isEmpty()) selected.first()->setCheckState(0, checked ? Qt::Checked : Qt::Unchecked);
}

}  // namespace

void TfrmMain::mnuCheckAllClick()
{
    ForEachRow(lvFiles_, [](QTreeWidgetItem* row) { row->setCheckState(0, Qt::Checked); });
}

void TfrmMain::mnuUncheckAllClick()
{
    ForEachRow(lvFiles_, [](QTreeWidgetItem* row) { row->setCheckState(0, Qt::Unchecked); });
}

void TfrmMain::mnuReverseCheckClick()
{
    ForEachRow(lvFiles_, [](QTreeWidgetItem* row) {
        row->setCheckState(0, row->checkState(0) == Qt::Checked ? Qt::Unchecked : Qt::Checked);
    });
}

void TfrmMain::mnuCheckClick() { SetSelectedChecked(lvFiles_, true); }

void TfrmMain::mnuUncheckClick() { SetSelectedChecked(lvFiles_, false); }

}  // namespace quorvia::ui
