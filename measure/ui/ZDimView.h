#pragma once
// The table of a dimension list document: one row per dimension, the
// columns and formats of ZDimDoc; saved as quoted comma-separated text.
#include <QWidget>
#include <string>

#include "framework/Document.h"
#include "framework/ui/MenuProvider.h"

class QTableWidget;
class ZDimDoc;

class ZDimView : public QWidget, public ordavia::DocumentView, public ordavia::MenuProvider {
    Q_OBJECT
public:
    ZDimView(ZDimDoc* doc, QWidget* parent = nullptr);
    ~ZDimView() override;

    ZDimDoc* document() const { return doc_; }
    QTableWidget* table() const { return table_; }
    void OnUpdate(ordavia::Document* doc, long hint) override;
    QList<QMenu*> documentMenus() override { return {}; }
    QList<QAction*> fileActions() override;
    QSize sizeHint() const override;

private:
    void refill();
    void refreshHeadings();
    std::string headingUnits_;
    ZDimDoc* doc_;
    QTableWidget* table_;
    QList<QAction*> fileActions_;
};

namespace ordavia {
void registerDimListView();
}  // namespace ordavia
