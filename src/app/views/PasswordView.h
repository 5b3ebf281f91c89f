#pragma once

#include <QSplitter>

class QLabel;
class QLineEdit;

namespace Tarnwick::Views {

class CFolderTreeCtrl;
class CPasswordListCtrl;
class CInformationPanel;
class CCommentWnd;
class PasswordListModel;

// The main window's one view: the folder tree on the left; on the right the list caption,
// the entry list and below it the comment, field and history panel.
class CPasswordView final : public QSplitter {
    Q_OBJECT
public:
    // The caption while the root of the tree is selected.
    static constexpr std::u16string_view kRootCaption = u"Passwortordner";

    explicit CPasswordView(QWidget* parent = nullptr);

    CFolderTreeCtrl* FolderTree() const noexcept { return m_tree; }
    CPasswordListCtrl* PasswordList() const noexcept { return m_list; }
    PasswordListModel* ListModel() const noexcept { return m_model; }
    CInformationPanel* InformationPanel() const noexcept { return m_panel; }
    CCommentWnd* CommentWindow() const;
    QSplitter* RightSplitter() const noexcept { return m_right; }
    // The filter field at the right of the list caption.
    QLineEdit* FilterEdit() const noexcept { return m_filter; }

    void SetListCaption(const QString& caption);
    QString ListCaption() const;
    // Disables or enables the tree, the list and the comment window together.
    void SetViewsEnabled(bool enabled);

private:
    CFolderTreeCtrl* m_tree = nullptr;
    CPasswordListCtrl* m_list = nullptr;
    PasswordListModel* m_model = nullptr;
    CInformationPanel* m_panel = nullptr;
    QLabel* m_caption = nullptr;
    QLineEdit* m_filter = nullptr;
    QSplitter* m_right = nullptr;
};

} // namespace Tarnwick::Views
