#pragma once
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "analysis/ProtocolDraft.h"
#include "capture/RecordClock.h"
#include "view/ViewDialog.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QTableWidget;
class QTimer;
class FramePreview;
class Prompts;

// The records the preview frames: the first ones of the capture in view.
struct PreviewRecords {
    LineTiming line;
    std::vector<uint8_t> records;  // at most dlgProtoEdit::kPreviewBytes
    uint64_t total = 0;            // the record bytes of the whole capture
};

// The protocol editor "プロトコル定義": the definitions of the program folder's VXProto.ini in
// a list (new, copy, delete), a form for the keys of the one chosen, and a preview of the
// frames it finds in the first records of the capture in view, framed a piece at a time a
// moment after the typing stops. A definition the framing engine refuses shows the reason
// beside the field it concerns, and OK is off while any definition is refused. OK writes the
// file atomically (other lines as they were, see proto::withDrafts); Cancel, F8 and Esc change
// nothing. Unlike the other dialogs it stays open while the user looks at another window (the
// grid, the reply-time window), and closing it with changes not saved asks first.
class dlgProtoEdit : public ViewDialog {
    Q_OBJECT
  public:
    static constexpr size_t kPreviewBytes = size_t{1} << 20;  // record bytes the preview frames
    static constexpr size_t kPieceBytes = size_t{64} << 10;   // record bytes framed at a time
    static constexpr int kTypingPauseMs = 300;

    dlgProtoEdit(Prompts& prompts, std::string programFolder, QWidget* parent);
    ~dlgProtoEdit() override;

    // Reads VXProto.ini and shows the dialog with its first definition, the preview on
    // records. A file that cannot be read or is malformed is told (with the line and the
    // reason) and the dialog stays closed: what it cannot read it does not write.
    bool showDialog(PreviewRecords records);

    void cmdNew_Click();
    void cmdCopy_Click();
    void cmdDelete_Click();
    void OKButton_Click();
    // The pause after typing has passed: frames the records by the chosen definition afresh.
    void timPreview_Timer();
    [[nodiscard]] bool previewDone() const;

  protected:
    void hideEvent(QHideEvent* event) override;
    void reject() override;

  private:
    void buildForm(QWidget* form);
    void buildPreview(QWidget* preview);
    // The chosen definition is shown in the form.
    void showDraft(int row);
    // A field changed: the form goes into the chosen draft.
    void formChanged();
    // Tells each draft's fault (the chosen one's beside its field), sets OK, restarts the pause.
    void checkDrafts();
    void previewStep();
    void showPreview();
    [[nodiscard]] std::string uniqueName(const std::string& base) const;
    // Adds d at the end of the list and shows it.
    void addDraft(proto::Draft d);
    [[nodiscard]] QLabel* faultLabel(const std::optional<proto::Key>& key) const;

    // True when nothing is changed, or the user agrees to let the changes go.
    bool mayDiscard();

    const KeepOpen stayOpen_{*this};  // the loss of activation does not close the editor
    Prompts& prompts_;
    std::string programFolder_;
    std::string text_;  // the file as read
    std::vector<proto::Draft> drafts_;
    int shown_ = -1;
    bool filling_ = false;  // the form is being filled: its changes are no edits
    PreviewRecords records_;
    std::unique_ptr<FramePreview> preview_;

    QListWidget* lstProto_ = nullptr;
    QLineEdit* txtName_ = nullptr;
    QLineEdit* txtStart_ = nullptr;
    QLineEdit* txtEnd_ = nullptr;
    QCheckBox* chkLength_ = nullptr;
    QLineEdit* txtLengthOffset_ = nullptr;
    QComboBox* cmbLengthSize_ = nullptr;
    QComboBox* cmbLengthOrder_ = nullptr;
    QLineEdit* txtLengthAdjust_ = nullptr;
    QLineEdit* txtFixed_ = nullptr;
    QLineEdit* txtMax_ = nullptr;
    QComboBox* cmbCheck_ = nullptr;
    QLineEdit* txtCheckFrom_ = nullptr;
    QCheckBox* chkCheckAfterEnd_ = nullptr;
    QCheckBox* chkCheckAscii_ = nullptr;
    QComboBox* cmbCheckOrder_ = nullptr;
    QLineEdit* txtTimeout_ = nullptr;
    QLabel* lblNameFault_ = nullptr;
    std::array<QLabel*, proto::kKeyCount> lblFault_{};
    QLabel* lblStatus_ = nullptr;
    QLabel* lblPreview_ = nullptr;
    QTableWidget* tblPreview_ = nullptr;
    QTimer* timPreview_ = nullptr;
    QTimer* timPreviewStep_ = nullptr;
};
