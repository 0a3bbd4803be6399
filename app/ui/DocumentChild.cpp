#include "app/ui/DocumentChild.h"

#include <QLabel>
#include <QString>
#include <QVBoxLayout>

namespace ordavia {

QWidget* placeholderView(Document* doc, const std::string& viewClass) {
    auto* w = new QWidget;
    auto* l = new QVBoxLayout(w);
    auto* label = new QLabel(QString("%1\n\nThe %2 view is not available in this version of Ordavia.")
                                 .arg(QString::fromStdString(doc->GetPathName().empty() ? doc->GetTitle() : doc->GetPathName()),
                                      QString::fromStdString(viewClass)));
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(true);
    l->addWidget(label);
    return w;
}

}  // namespace ordavia
