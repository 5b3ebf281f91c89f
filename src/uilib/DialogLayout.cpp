#include "uilib/DialogLayout.h"

#include <algorithm>

#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QWidget>

namespace Tarnwick::UiLibrary {

QVBoxLayout* LayOutBelowHeader(QWidget& dialog, QWidget* header, int stretch) {
    auto* body = new QVBoxLayout;
    body->setContentsMargins(12, 12, 12, 12);
    auto* layout = new QVBoxLayout(&dialog);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(header);
    layout->addLayout(body, stretch);
    return body;
}

void AddButtonRow(QVBoxLayout& body, std::initializer_list<QWidget*> items) {
    auto* row = new QHBoxLayout;
    if (std::find(items.begin(), items.end(), nullptr) == items.end()) {
        row->addStretch();
    }
    for (QWidget* item : items) {
        if (item == nullptr) {
            row->addStretch();
        } else {
            row->addWidget(item);
        }
    }
    body.addSpacing(8);
    body.addLayout(row);
}

} // namespace Tarnwick::UiLibrary
