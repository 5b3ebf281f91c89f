#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

#include <QDialog>
#include <QString>

#include "model/PasswordData.h"

class QTreeWidget;

namespace Tarnwick {

// "Passworteigenschaften": facts about one entry, read only. Use:
//   CTWPropertySheet sheet(data, folderPosition, entryPosition, parent); sheet.exec();
class CTWPropertySheet : public QDialog {
    Q_OBJECT
public:
    CTWPropertySheet(const PasswordADT::PasswordData& data, std::size_t folder, std::size_t entry,
                     QWidget* parent = nullptr);
    QTreeWidget* GetList() const noexcept { return m_list; }
    // The rows as (property, value); now for the remaining days.
    static std::vector<std::pair<QString, QString>> BuildRows(const PasswordADT::Category& folder,
                                                              const PasswordADT::PasswordItem& item,
                                                              std::int64_t now);

private:
    QTreeWidget* m_list;
};

} // namespace Tarnwick
