// The main window: the folder tree, the file list, the run settings and the progress panel.
// It is the engine's host, so it runs the same folder refresh, drop handler and rename run
// as the command line.
#pragma once

#include <QElapsedTimer>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "engine/host.h"
#include "engine/readers.h"

namespace tunaro::engine {
struct TRunSettings;
}

class QAction;
class QComboBox;
class QFileDialog;
class QGroupBox;
class QLabel;
class QLockFile;
class QMenu;
class QProgressBar;
class QPushButton;

namespace tunaro::widgets {
class TLongCheckListBox;
class TWin97izer;
}  // namespace tunaro::widgets

namespace tunaro::ui {

class TBevel;
class TBitBtn;
class TDialogPlan;
class TDialogRename;
class TFileListModel;
class TPlanRecorder;
class TShellTreeView;
class TWrapLabel;

// The filter list of the save dialog: description and pattern pairs, "|" between all parts.
extern const char* const kExportFilter;
// The design size of the client area; everything is placed relative to it.
inline constexpr int kClientWidth = 622;
inline constexpr int kClientHeight = 353;
// Frame width added to the client width to give the window's outer width.
inline constexpr int kFrameWidth = 8;

class TFormMain : public QWidget, public engine::TEngineHost {
  Q_OBJECT

 public:
  // desktopDir: the user's desktop folder, where the run log and the undo file go.
  // startFolder: the folder the tree selects at start; empty for the desktop folder, or the
  // home folder when there is no desktop folder.
  explicit TFormMain(std::string desktopDir, std::string startFolder = {},
                     QWidget* parent = nullptr);
  ~TFormMain() override;

  void SetDialogRename(TDialogRename* dialog) { DialogRename = dialog; }

  // engine::TEngineHost
  engine::TFileList& Entries() override { return FileNames_; }
  engine::TRunState& State() override { return State_; }
  void CounterDisplayRefresh() override;
  std::string DesktopDir() const override { return DesktopDir_; }
  void BeginBusy() override;
  void EndBusy() override;
  bool Stopping() override { return StopRequested_; }

  // Handlers, named after their control and event.
  void FormCreate();
  void FormClose();
  void FormResize();
  void ShellTreeViewChange();
  void ComboBoxChooseFileTypeChange();
  void ButtonRenameClick();
  void ButtonExitClick();
  void ButtonOptionsClick();
  void ButtonSelectAllClick();
  void ButtonDeselectAllClick();
  void MenuItemPlayThisFileClick();
  void MenuItemLinkClick(QAction* sender);
  void HyperLink1Click();
  void PopupMenuFileListBoxPopup();
  void MItemManualRenameClick();
  void MenuItemExportClick();
  void MenuItemProcessSubDirectoryClick();
  void MenuItemCreateUndoBatchClick();
  void MenuItemKeepLogClick();
  void MenuItemExportSelectedOnlyClick();
  void MenuItemPreviewClick();
  void MenuItemUndoClick();
  // The dropped-files handler: the paths as the file system's bytes, in the order of the drop.
  void FilesDropped(const std::vector<std::string>& paths);

  // The selected (highlighted) entry of the file list, -1 when there is none.
  int SelectedIndex() const;
  // True while a rename run is going on.
  bool Running() const { return Running_; }
  // Shows the counters and the gauge now, with every appended entry in the list.
  void ShowCounters();
  // Where the window keeps its settings between runs (in the user's config folder).
  static QString SettingsFileName();
  // The templates used last, newest first; the template box lists them after its presets.
  const QStringList& RecentTemplates() const { return RecentTemplates_; }
  static constexpr int kMaxRecentTemplates = 8;

  // The window's outer width, as the resize rule counts it.
  int OuterWidth() const { return width() + kFrameWidth; }

  // Every modal question goes through one of these, so that tests can answer it.
  // AskNewName: the manual rename's dialog; true when accepted, newName then holds the text.
  std::function<bool(const QString& oldName, QString& newName)> AskNewName;
  // AskSaveFile: the save dialog; the chosen name and filter index (1 for the first).
  std::function<bool(std::string& fileName, int& filterIndex)> AskSaveFile;
  // ConfirmReplace: whether to replace an existing file the extension change has led to.
  std::function<bool(const std::string& fileName)> ConfirmReplace;
  // ShowMessage: a box with the text, the caption, one OK button and no icon.
  std::function<void(const QString& text, const QString& caption)> ShowMessage;
  // ShowError: the application's error box for an I/O error.
  std::function<void(const QString& text, const QString& caption)> ShowError;
  // OpenTarget: the desktop's open of a file or address.
  std::function<void(const std::string& target)> OpenTarget;
  // AskUndoFile: the open dialog for an undo file; true when one was chosen.
  std::function<bool(std::string& fileName)> AskUndoFile;
  // ConfirmPlan: shows the filled table of planned renames; true when they are to be made.
  // A run's failures are shown through it too (the table then only reports).
  std::function<bool(TDialogPlan& plan)> ConfirmPlan;
  // ConfirmStop: the window is closed during a run; true to stop after the current file.
  std::function<bool()> ConfirmStop;

  // The template longest taken from the settings: anything longer is no template someone typed.
  static constexpr int kMaxTemplateLength = 1024;
  // How far a second window opens from the first, down and to the right.
  static constexpr int kInstanceOffset = 32;

  // Controls, named as the layout names them.
  QLabel* LabelTitle = nullptr;
  QLabel* LabelChooseDirectory = nullptr;
  TBevel* Bevel1 = nullptr;
  QLabel* LabelFileNames = nullptr;
  QGroupBox* GroupBoxRenameDetails = nullptr;
  QLabel* StaticTextTotalFiles = nullptr;
  QLabel* StaticTextSuccessFiles = nullptr;
  QLabel* StaticTextFailureFiles = nullptr;
  QLabel* StaticTextProgress = nullptr;
  QLabel* StaticTextSuccess = nullptr;
  QLabel* StaticTextFailure = nullptr;
  QLabel* StaticTextTotal = nullptr;
  QProgressBar* GaugeProgress = nullptr;
  QLabel* LabelCurrentPath = nullptr;
  TWrapLabel* LabelCurrentPathDetail = nullptr;
  TWrapLabel* StaticTextInfo = nullptr;
  QPushButton* ButtonRename = nullptr;
  QPushButton* ButtonExit = nullptr;
  TBitBtn* BitBtnMorvix = nullptr;
  QGroupBox* GroupBoxFileNameSettings = nullptr;
  QLabel* LabelChooseFileType = nullptr;
  QLabel* LabelFileNameTemplate = nullptr;
  TBevel* Bevel2 = nullptr;
  TWrapLabel* LabelFileTypeTips = nullptr;
  QComboBox* ComboBoxChooseFileType = nullptr;
  QComboBox* ComboBoxFileNameTemplate = nullptr;
  QPushButton* ButtonSelectAll = nullptr;
  QPushButton* ButtonDeselectAll = nullptr;
  QPushButton* ButtonOptions = nullptr;
  widgets::TLongCheckListBox* LongCheckListBoxFileNames = nullptr;
  TShellTreeView* ShellTreeView = nullptr;

  widgets::TWin97izer* Win97izerButtonRename = nullptr;
  widgets::TWin97izer* Win97izerButtonExit = nullptr;
  widgets::TWin97izer* Win97izerBitBtnMorvix = nullptr;
  widgets::TWin97izer* Win97izerCheckListBoxFileNames = nullptr;
  widgets::TWin97izer* Win97izerComboBoxFileNameTemplate = nullptr;
  widgets::TWin97izer* Win97izerComboBoxChooseFileType = nullptr;
  widgets::TWin97izer* Win97izerButtonSelectAll = nullptr;
  widgets::TWin97izer* Win97izerButtonDeselectAll = nullptr;
  widgets::TWin97izer* Win97izerButtonOptions = nullptr;
  widgets::TWin97izer* Win97izer1 = nullptr;

  QMenu* PopupMenuOptions = nullptr;
  QMenu* MenuItemSettings = nullptr;
  QAction* MenuItemProcessSubDirectory = nullptr;
  QAction* MenuItemCreateUndoBatch = nullptr;
  QAction* MenuItemKeepLog = nullptr;
  QAction* MenuItemExportSelectedOnly = nullptr;
  QMenu* MenuItemCodePage = nullptr;
  QAction* MenuItemPreview = nullptr;
  QAction* MenuItemUndo = nullptr;
  QMenu* MenuItemLinks = nullptr;
  QAction* MenuItemLink1 = nullptr;
  QAction* MenuItemLink2 = nullptr;
  QAction* MenuItemWaitForYou = nullptr;

  QMenu* PopupMenuFileListBox = nullptr;
  QAction* MItemManualRename = nullptr;
  QAction* N1 = nullptr;
  QAction* MenuItemSelectAll = nullptr;
  QAction* MenuItemDeselectAll = nullptr;
  QAction* N2 = nullptr;
  QAction* MenuItemPlayThisFile = nullptr;
  QAction* MenuItemExport = nullptr;

  QFileDialog* DialogSave = nullptr;
  TDialogRename* DialogRename = nullptr;
  TFileListModel* FileListModel = nullptr;

 protected:
  void resizeEvent(QResizeEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  // How a control follows the window's edges.
  enum TAnchor { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };
  struct TPlacement {
    QWidget* Control;
    QRect Design;
    int Anchors;
  };

  void CreateControls();
  void CreateMenus();
  void CreateDecorators();
  void SetTabOrder();
  QWidget* Place(QWidget* control, const char* name, int left, int top, int width, int height,
                 int anchors = akLeft | akTop);
  void ApplyAnchors();
  void FolderRefresh();
  void RunDropFiles(const std::vector<std::string>& paths);
  // The desktop folder, where the log and the undo file go: made as xdg-user-dirs makes it
  // when it is missing, or (make false) asked whether it could be. Empty, or why it cannot,
  // naming the folder.
  QString PrepareDesktop(bool make) const;
  // The folder the undo file dialog opens in.
  std::string UndoFilesFolder() const;
  bool AnyChecked() const;
  // A run's failures in the plan table, with its counts.
  void ShowRunFailures(TPlanRecorder& failures);
  // Places the window a step away from the windows of other instances running.
  void KeepClearOfOtherInstances();
  void DefaultSeams();
  bool AskSaveFileWithDialog(std::string& fileName, int& filterIndex);
  bool AskUndoFileWithDialog(std::string& fileName);
  // The settings of a run from the controls as they are now: the preview and the run take
  // the same.
  engine::TRunSettings RunSettings() const;
  void LoadSettings();
  // Makes the row of the type box the chosen type: extension, tips and count caption.
  void ShowFileType(size_t row);
  // Writes one setting at once, so that two windows open side by side each keep what the
  // other changed, rather than the one closed last writing all of its own over them.
  void SaveSetting(const QString& key, const QVariant& value) const;
  void RememberTemplate(const QString& text);
  void FillTemplateBox();

  engine::TFileList FileNames_;
  engine::TRunState State_;
  engine::TReaders Readers_;
  std::string DesktopDir_;
  std::vector<TPlacement> Placements_;
  QElapsedTimer LastDisplay_;
  bool Running_ = false;
  bool StopRequested_ = false;  // the window was closed during the run: stop, then close
  bool Loading_ = true;         // the settings are not read yet: nothing to write back
  std::unique_ptr<QLockFile> InstanceLock_;
  int Scans_ = 0;  // folder refreshes in progress, nested ones included
  // What arrived during a rename run and waits for its end.
  bool PendingRefresh_ = false;
  std::optional<std::vector<std::string>> PendingDrop_;
  std::string LastSaveName_;
  QString LastSaveFilter_;
  QStringList RecentTemplates_;
};

}  // namespace tunaro::ui
