#include "ui/form_main.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QLockFile>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QStyle>
#include <QUrl>
#include <algorithm>
#include <cerrno>

#include "engine/file_types.h"
#include "engine/list_export.h"
#include "engine/name_builder.h"
#include "engine/rename_run.h"
#include "engine/scan.h"
#include "platform/fs.h"
#include "platform/io_error.h"
#include "platform/shell_open.h"
#include "platform/user_folders.h"
#include "ui/controls.h"
#include "ui/dialog_plan.h"
#include "ui/dialog_rename.h"
#include "ui/file_list_model.h"
#include "ui/folder_tree.h"
#include "widgets/long_check_list_box.h"
#include "widgets/win97izer.h"

namespace tunaro::ui {

const char* const kExportFilter =
    "HTML 格式列表(*.htm)|*.htm|M3U 格式播放表(*.m3u)|*.M3U|PLS 格式播放表(*.pls)|*.PLS";

namespace {

using widgets::TEdgeType;

// The counter display refresh runs after every entry; drawing and event processing cost far
// more than an entry, so they run at most this often, which still keeps the window fluid.
constexpr qint64 kDisplayIntervalMs = 25;

// The smallest client area: the resize rule's widths stay positive and the buttons readable,
// and the controls anchored at the bottom never climb over the group boxes.
constexpr int kMinClientWidth = 512;
constexpr int kMinClientHeight = kClientHeight;

QString U(const char* utf8) {
  return QString::fromUtf8(utf8);
}

QString Legend(const char* legend) {
  // The legends keep their CR LF; the label wants a plain line break.
  return U(legend).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QString PathText(const std::string& path) {
  return TFileListModel::DisplayText(path);
}

std::string PathBytes(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

// Asked of the bytes: a folder whose name Qt cannot decode is a folder all the same.
bool IsFolder(const std::string& path) {
  return !path.empty() && platform::FolderState(path) == 0;
}

// Why the log and the undo file have no folder, in the user's words; empty when they have one.
QString DesktopProblem(const platform::TDesktopFolder& desktop) {
  if (desktop.Errno == 0) return {};
  if (desktop.Path.empty()) return U("没有桌面文件夹（没有设定 HOME 环境变量）");
  QString why;
  switch (desktop.Errno) {
    case ENOTDIR:
      why = U("它不是文件夹");
      break;
    case ENOENT:
      why = U("它的上级文件夹不存在");
      break;
    case EACCES:
    case EPERM:
      why = U("没有权限创建它");
      break;
    case EROFS:
      why = U("文件系统只读，无法创建它");
      break;
    default:
      why = U("无法创建它（%1）").arg(U(platform::IoErrorText(desktop.Errno).c_str()));
  }
  return U("无法使用桌面文件夹 %1：%2").arg(PathText(desktop.Path), why);
}

// A message box as wide as its caption needs: the window manager would cut a caption longer
// than the text below it down to "...".
void ShowBox(QWidget* parent, QMessageBox::Icon icon, const QString& text, const QString& caption) {
  QMessageBox box(icon, caption, text, QMessageBox::Ok, parent);
  if (auto* grid = qobject_cast<QGridLayout*>(box.layout())) {
    // Room for the window manager's icon and buttons beside the caption.
    const int wanted = box.fontMetrics().horizontalAdvance(caption) * 3 / 2 + 160;
    grid->addItem(new QSpacerItem(wanted, 0, QSizePolicy::Minimum, QSizePolicy::Expanding),
                  grid->rowCount(), 0, 1, grid->columnCount());
  }
  box.exec();
}

// The count caption for a list that is no folder's: the type all its files are of, else
// every audio type's, else plain files.
std::string DroppedCountCaption(const engine::TFileList& list) {
  const auto all = [&](const engine::TFileType& type) {
    for (size_t i = 0; i < list.Count(); ++i)
      if (!engine::TypeListsName(type, engine::ExtractFileName(list.Path(i)))) return false;
    return true;
  };
  for (const engine::TFileType& type : engine::kFileTypes)
    if (all(type)) return engine::RowCountCaption(type);
  return "文件数量：";
}

// The window as the run's host, keeping the run's failures for the table shown at its end.
class TRunHost : public engine::TEngineHost {
 public:
  explicit TRunHost(TFormMain& window) : Window_(window) {}

  engine::TFileList& Entries() override { return Window_.Entries(); }
  engine::TRunState& State() override { return Window_.State(); }
  void CounterDisplayRefresh() override { Window_.CounterDisplayRefresh(); }
  std::string DesktopDir() const override { return Window_.DesktopDir(); }
  void BeginBusy() override { Window_.BeginBusy(); }
  void EndBusy() override { Window_.EndBusy(); }
  bool Stopping() override { return Window_.Stopping(); }
  void FileDone(const engine::TFileOutcome& o) override {
    Failures.File(o);
    Window_.FileDone(o);
  }
  void FolderCodePage(const std::string& folder, const platform::TFolderReading& reading,
                      const std::string& text) override {
    Failures.Folder(folder, text);
    Window_.FolderCodePage(folder, reading, text);
  }

  TPlanRecorder Failures{true};

 private:
  TFormMain& Window_;
};

// The dropped items as the file system's bytes. A file manager percent-encodes the bytes of a
// name in its URL, so decoding the encoded path gives the bytes back, whatever their encoding.
std::vector<std::string> DroppedPaths(const QMimeData* mime) {
  std::vector<std::string> paths;
  if (!mime || !mime->hasUrls()) return paths;
  for (const QUrl& url : mime->urls()) {
    if (!url.isLocalFile()) continue;
    const QString host = url.host();
    if (host.isEmpty() || host == QStringLiteral("localhost")) {
      const QByteArray encoded = url.path(QUrl::FullyEncoded).toLatin1();
      paths.push_back(QByteArray::fromPercentEncoding(encoded).toStdString());
    } else {
      paths.push_back(PathBytes(url.toLocalFile()));
    }
  }
  return paths;
}

// The counters are narrow and the labels around them stay in place: a count too wide for
// its label is condensed, then made smaller, rather than losing its last digits at the edge.
QFont CountFont(QFont font, const QString& text, int room) {
  auto fits = [&] { return QFontMetrics(font).horizontalAdvance(text) <= room; };
  for (int stretch = 90; !fits() && stretch >= 60; stretch -= 10) font.setStretch(stretch);
  while (!fits() && font.pixelSize() > 6) font.setPixelSize(font.pixelSize() - 1);
  return font;
}

// The templates used last as stored: a few, none empty or absurdly long.
QStringList RecentTemplatesOf(const QSettings& settings) {
  QStringList recent = settings.value(QStringLiteral("RecentTemplates")).toStringList();
  recent.removeIf([](const QString& text) {
    return text.isEmpty() || text.size() > TFormMain::kMaxTemplateLength;
  });
  if (recent.size() > TFormMain::kMaxRecentTemplates) recent.resize(TFormMain::kMaxRecentTemplates);
  return recent;
}

QStringList ExportNameFilters() {
  // Description and pattern alternate; the descriptions carry their patterns for the dialog.
  const QStringList parts = U(kExportFilter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) filters << parts[i];
  return filters;
}

}  // namespace

TFormMain::TFormMain(std::string desktopDir, std::string startFolder, QWidget* parent)
    : QWidget(parent), DesktopDir_(std::move(desktopDir)) {
  setObjectName(QStringLiteral("FormMain"));
  setWindowTitle(QStringLiteral("Tunaro Ver 4.00"));
  setWindowIcon(MakeAppIcon());
  QFont font;
  font.setFamilies({U("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
                    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
                    QStringLiteral("Noto Sans CJK SC")});
  font.setPixelSize(12);
  setFont(font);
  // Menus and dialogs are windows of their own; they take the window's font too.
  setAttribute(Qt::WA_WindowPropagation);
  setAutoFillBackground(true);
  setBackgroundRole(QPalette::Button);

  FileListModel = new TFileListModel(FileNames_, this);
  CreateControls();
  CreateMenus();
  CreateDecorators();
  SetTabOrder();
  DefaultSeams();

  setMinimumSize(kMinClientWidth, kMinClientHeight);
  resize(kClientWidth, kClientHeight);
  ApplyAnchors();
  FormResize();
  if (const QScreen* screen = QGuiApplication::primaryScreen())
    move(screen->availableGeometry().center() - rect().center());

  // The tree shows the folder of the last run, else the desktop folder, or the home folder
  // when there is none.
  QSettings settings(SettingsFileName(), QSettings::IniFormat);
  if (startFolder.empty()) {
    const std::string last = settings.value(QStringLiteral("Folder")).toByteArray().toStdString();
    if (IsFolder(last)) startFolder = last;
  }
  if (settings.contains(QStringLiteral("Geometry")))
    restoreGeometry(settings.value(QStringLiteral("Geometry")).toByteArray());
  KeepClearOfOtherInstances();
  if (startFolder.empty())
    startFolder = IsFolder(DesktopDir_) ? DesktopDir_ : PathBytes(QDir::homePath());
  if (!ShellTreeView->SelectFolder(startFolder))
    ShellTreeView->SelectFolder(PathBytes(QDir::homePath()));
  connect(ShellTreeView, &TShellTreeView::Change, this, &TFormMain::ShellTreeViewChange);
  LongCheckListBoxFileNames->setFocus();

  FormCreate();
}

void TFormMain::KeepClearOfOtherInstances() {
  // Each window holds a numbered lock beside the settings while it is open (a lock whose
  // process died is taken over): the n-th one opens n steps down and to the right.
  const QString folder = QFileInfo(SettingsFileName()).absolutePath();
  QDir().mkpath(folder);
  for (int slot = 0; slot < 16; ++slot) {
    auto lock = std::make_unique<QLockFile>(folder + QStringLiteral("/tunaro-%1.lock").arg(slot));
    lock->setStaleLockTime(0);
    if (!lock->tryLock()) continue;
    InstanceLock_ = std::move(lock);
    if (slot == 0) return;
    QRect frame = geometry().translated(slot * kInstanceOffset, slot * kInstanceOffset);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
      const QRect room = screen->availableGeometry();
      if (!room.contains(frame.bottomRight()))
        frame.moveTopLeft(room.topLeft() + QPoint(slot, slot) * kInstanceOffset);
    }
    move(frame.topLeft());
    return;
  }
}

TFormMain::~TFormMain() {
  // The list is a member and goes before the child widgets: its view and model go first.
  delete LongCheckListBoxFileNames;
  LongCheckListBoxFileNames = nullptr;
  delete FileListModel;
  FileListModel = nullptr;
}

QWidget* TFormMain::Place(QWidget* control, const char* name, int left, int top, int width,
                          int height, int anchors) {
  control->setObjectName(QString::fromLatin1(name));
  control->setGeometry(left, top, width, height);
  if (control->parentWidget() == this)
    Placements_.push_back({control, QRect(left, top, width, height), anchors});
  return control;
}

void TFormMain::CreateControls() {
  LabelTitle = new QLabel(QStringLiteral("Tunaro"), this);
  QFont titleFont = font();
  titleFont.setPixelSize(21);
  titleFont.setBold(true);
  LabelTitle->setFont(titleFont);
  Place(LabelTitle, "LabelTitle", 8, 8, 176, 21);
  LabelTitle->adjustSize();  // follows its text

  LabelChooseDirectory = new QLabel(U("选择文件夹(&D)："), this);
  Place(LabelChooseDirectory, "LabelChooseDirectory", 8, 48, 90, 12);
  Bevel1 = new TBevel(TBevel::TShape::TopLine, this);
  Place(Bevel1, "Bevel1", 16, 40, 321, 9);
  LabelFileNames = new QLabel(U("文件名列表(&L):"), this);
  Place(LabelFileNames, "LabelFileNames", 168, 48, 84, 12);

  GroupBoxRenameDetails = new TGroupBox(U("运行情况"), this);
  Place(GroupBoxRenameDetails, "GroupBoxRenameDetails", 344, 200, 273, 113, akTop | akRight);
  {
    QGroupBox* box = GroupBoxRenameDetails;
    auto rightText = [box](const char* text) {
      auto* label = new QLabel(U(text), box);
      label->setAlignment(Qt::AlignRight | Qt::AlignTop);
      return label;
    };
    StaticTextTotalFiles = rightText("MP3文件数量：");
    Place(StaticTextTotalFiles, "StaticTextTotalFiles", 8, 16, 88, 16);
    StaticTextSuccessFiles = rightText("成功换名数量：");
    Place(StaticTextSuccessFiles, "StaticTextSuccessFiles", 8, 32, 88, 16);
    StaticTextFailureFiles = rightText("不成功数量：");
    Place(StaticTextFailureFiles, "StaticTextFailureFiles", 8, 48, 88, 16);
    StaticTextProgress = new QLabel(U("进度："), box);
    Place(StaticTextProgress, "StaticTextProgress", 136, 16, 40, 16);
    StaticTextSuccess = new QLabel(box);
    Place(StaticTextSuccess, "StaticTextSuccess", 96, 32, 28, 16);
    StaticTextFailure = new QLabel(box);
    Place(StaticTextFailure, "StaticTextFailure", 96, 48, 28, 16);
    StaticTextTotal = new QLabel(box);
    Place(StaticTextTotal, "StaticTextTotal", 96, 16, 28, 16);
    for (QLabel* label :
         {StaticTextProgress, StaticTextSuccess, StaticTextFailure, StaticTextTotal})
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    GaugeProgress = new QProgressBar(box);
    GaugeProgress->setRange(0, 100);
    GaugeProgress->setValue(0);
    GaugeProgress->setTextVisible(true);
    GaugeProgress->setAlignment(Qt::AlignCenter);
    Place(GaugeProgress, "GaugeProgress", 136, 32, 129, 17);
    LabelCurrentPath = new QLabel(U("当前路径："), box);
    Place(LabelCurrentPath, "LabelCurrentPath", 8, 64, 60, 12);
    LabelCurrentPathDetail = new TWrapLabel(box);
    Place(LabelCurrentPathDetail, "LabelCurrentPathDetail", 8, 76, 257, 33);
  }

  StaticTextInfo = new TWrapLabel(U("依标签批量改名音乐文件\n免费软件 欢迎传播"), this);
  {
    QPalette blue = StaticTextInfo->palette();
    blue.setColor(QPalette::WindowText, QColor(0, 0, 255));
    StaticTextInfo->setPalette(blue);
  }
  StaticTextInfo->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  Place(StaticTextInfo, "StaticTextInfo", 200, 8, 137, 25);

  ButtonRename = new QPushButton(U("改名(&R)"), this);
  ButtonRename->setToolTip(U("按此按钮开始换名操作"));
  Place(ButtonRename, "ButtonRename", 344, 8, 85, 25);
  ButtonExit = new QPushButton(U("退出(&E)"), this);
  ButtonExit->setToolTip(U("退出本软件"));
  Place(ButtonExit, "ButtonExit", 452, 8, 85, 25);

  BitBtnMorvix = new TBitBtn(this);
  BitBtnMorvix->SetGlyph(MakeBanner());
  BitBtnMorvix->setCursor(Qt::PointingHandCursor);
  BitBtnMorvix->setToolTip(U("按这里打开本软件的主页：Morvix网站"));
  Place(BitBtnMorvix, "BitBtnMorvix", 344, 320, 273, 24, akTop | akRight | akBottom);

  GroupBoxFileNameSettings = new TGroupBox(U("文件名设置"), this);
  Place(GroupBoxFileNameSettings, "GroupBoxFileNameSettings", 344, 48, 273, 145, akTop | akRight);
  {
    QGroupBox* box = GroupBoxFileNameSettings;
    LabelChooseFileType = new QLabel(U("文件类型(&S):"), box);
    Place(LabelChooseFileType, "LabelChooseFileType", 8, 18, 72, 12);
    LabelFileNameTemplate = new QLabel(U("文件名模板(&T):"), box);
    Place(LabelFileNameTemplate, "LabelFileNameTemplate", 8, 43, 84, 12);
    Bevel2 = new TBevel(TBevel::TShape::LoweredBox, box);
    Place(Bevel2, "Bevel2", 8, 72, 257, 63);
    LabelFileTypeTips = new TWrapLabel(box);
    Place(LabelFileTypeTips, "LabelFileTypeTips", 9, 73, 255, 61);

    ComboBoxChooseFileType = new QComboBox(box);
    for (const engine::TFileType& type : engine::kFileTypes)
      ComboBoxChooseFileType->addItem(U(type.Caption));
    ComboBoxChooseFileType->setMaxVisibleItems(static_cast<int>(engine::kFileTypes.size()));
    ComboBoxChooseFileType->setToolTip(U("选择要换名的文件类型以及扩展名形式"));
    Place(ComboBoxChooseFileType, "ComboBoxChooseFileType", 96, 13, 169, 20);

    ComboBoxFileNameTemplate = new QComboBox(box);
    ComboBoxFileNameTemplate->setEditable(true);
    for (const char* preset : engine::kTemplatePresets)
      ComboBoxFileNameTemplate->addItem(U(preset));
    // A typed template is used as typed: never completed from, nor added to, the presets.
    ComboBoxFileNameTemplate->setInsertPolicy(QComboBox::NoInsert);
    ComboBoxFileNameTemplate->setCompleter(nullptr);
    ComboBoxFileNameTemplate->lineEdit()->setAcceptDrops(false);  // drops go to the window
    connect(ComboBoxFileNameTemplate, &QComboBox::editTextChanged, this,
            [this](const QString& text) { SaveSetting(QStringLiteral("Template"), text); });
    ComboBoxFileNameTemplate->setToolTip(U(
        "在这里自由设定目标文件名模板。代换定义请看下边框内文字。本软件会自动过滤非法文件名字符"));
    Place(ComboBoxFileNameTemplate, "ComboBoxFileNameTemplate", 96, 40, 169, 20);

    LabelChooseFileType->setBuddy(ComboBoxChooseFileType);
    LabelFileNameTemplate->setBuddy(ComboBoxFileNameTemplate);
  }

  ButtonSelectAll = new QPushButton(U("全选(&A)"), this);
  Place(ButtonSelectAll, "ButtonSelectAll", 168, 320, 81, 25, akBottom);
  ButtonDeselectAll = new QPushButton(U("全不选(&N)"), this);
  Place(ButtonDeselectAll, "ButtonDeselectAll", 256, 320, 81, 25, akBottom);
  ButtonOptions = new QPushButton(U("选项(&O)"), this);
  Place(ButtonOptions, "ButtonOptions", 560, 8, 57, 25, akTop | akRight);

  LongCheckListBoxFileNames = new widgets::TLongCheckListBox(this);
  LongCheckListBoxFileNames->setModel(FileListModel);
  // A check box that does not fit into a row would be cut to two thin lines.
  FileListModel->SetRowHeight(
      std::max(TFileListModel::kRowHeight,
               LongCheckListBoxFileNames->style()->pixelMetric(QStyle::PM_IndicatorHeight, nullptr,
                                                               LongCheckListBoxFileNames) +
                   2));
  LongCheckListBoxFileNames->setUniformItemSizes(true);
  LongCheckListBoxFileNames->setSelectionMode(QAbstractItemView::SingleSelection);
  LongCheckListBoxFileNames->setEditTriggers(QAbstractItemView::NoEditTriggers);
  LongCheckListBoxFileNames->setContextMenuPolicy(Qt::CustomContextMenu);
  // A long path is cut at the right edge and shown whole in the list's hint.
  LongCheckListBoxFileNames->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  LongCheckListBoxFileNames->setTextElideMode(Qt::ElideNone);
  LongCheckListBoxFileNames->OnlyWhenFocused = false;
  LongCheckListBoxFileNames->EnableHint = true;
  Place(LongCheckListBoxFileNames, "LongCheckListBoxFileNames", 168, 64, 169, 249,
        akTop | akRight | akBottom);

  ShellTreeView = new TShellTreeView(this);
  Place(ShellTreeView, "ShellTreeView", 8, 64, 153, 281, akLeft | akTop | akBottom);

  LabelChooseDirectory->setBuddy(ShellTreeView);
  LabelFileNames->setBuddy(LongCheckListBoxFileNames);

  connect(ButtonRename, &QPushButton::clicked, this, &TFormMain::ButtonRenameClick);
  connect(ButtonExit, &QPushButton::clicked, this, &TFormMain::ButtonExitClick);
  connect(BitBtnMorvix, &QPushButton::clicked, this, &TFormMain::HyperLink1Click);
  connect(ButtonSelectAll, &QPushButton::clicked, this, &TFormMain::ButtonSelectAllClick);
  connect(ButtonDeselectAll, &QPushButton::clicked, this, &TFormMain::ButtonDeselectAllClick);
  connect(ButtonOptions, &QPushButton::clicked, this, &TFormMain::ButtonOptionsClick);
  connect(ComboBoxChooseFileType, &QComboBox::currentIndexChanged, this,
          &TFormMain::ComboBoxChooseFileTypeChange);

  DialogSave = new QFileDialog(this);
  DialogSave->setObjectName(QStringLiteral("DialogSave"));
  DialogSave->setAcceptMode(QFileDialog::AcceptSave);
  DialogSave->setFileMode(QFileDialog::AnyFile);
  DialogSave->setNameFilters(ExportNameFilters());
  DialogSave->selectNameFilter(ExportNameFilters().first());
  DialogSave->setSizeGripEnabled(true);
}

void TFormMain::CreateMenus() {
  auto item = [this](QMenu* menu, const char* name, const char* caption) {
    auto* action = new QAction(U(caption), this);
    action->setObjectName(QString::fromLatin1(name));
    menu->addAction(action);
    return action;
  };
  auto option = [&](QMenu* menu, const char* name, const char* caption, bool& setting) {
    QAction* action = item(menu, name, caption);
    action->setCheckable(true);
    action->setChecked(false);
    // The action's name without "MenuItem": "Options/KeepLog".
    const QString key = QStringLiteral("Options/") + QString::fromLatin1(name + 8);
    connect(action, &QAction::toggled, this, [this, &setting, key](bool on) {
      setting = on;
      SaveSetting(key, on);
    });
    return action;
  };

  PopupMenuOptions = new QMenu(this);
  PopupMenuOptions->setObjectName(QStringLiteral("PopupMenuOptions"));
  MenuItemSettings = PopupMenuOptions->addMenu(U("处理设置(&S)"));
  MenuItemSettings->setObjectName(QStringLiteral("MenuItemSettings"));
  MenuItemProcessSubDirectory = option(MenuItemSettings, "MenuItemProcessSubDirectory",
                                       "处理子目录(&R)", State_.ProcessSubDirectory);
  MenuItemCreateUndoBatch = option(MenuItemSettings, "MenuItemCreateUndoBatch", "创建恢复列表(&U)",
                                   State_.CreateUndoBatch);
  MenuItemKeepLog = option(MenuItemSettings, "MenuItemKeepLog", "保留换名记录(&G)", State_.KeepLog);
  MenuItemExportSelectedOnly = option(MenuItemSettings, "MenuItemExportSelectedOnly",
                                      "只导出选中文件(&O)", State_.ExportSelectedOnly);
  // Tags that do not say their encoding (ID3v1, older ID3v2 frames, RealMedia, TwinVQ).
  MenuItemCodePage = MenuItemSettings->addMenu(U("标签编码(&C)"));
  MenuItemCodePage->setObjectName(QStringLiteral("MenuItemCodePage"));
  auto* codePages = new QActionGroup(this);
  // An explicit choice reads every folder alike; auto judges each folder by its own texts.
  const char* const captions[] = {"自动(&A)",
                                  "GBK(&G)",
                                  "Big5(&B)",
                                  "Shift_JIS(&S)",
                                  "西欧 (CP1252)(&W)",
                                  "韩文 (CP949)(&K)",
                                  "西里尔文 (CP1251)(&Y)",
                                  "中欧 (CP1250)(&E)",
                                  "UTF-8(&U)"};
  static_assert(std::size(captions) == std::size(platform::kCodePageNames));
  for (size_t i = 0; i < std::size(captions); ++i) {
    const auto codePage = static_cast<platform::TCodePage>(i);
    QAction* action = item(MenuItemCodePage, "", captions[i]);
    action->setObjectName(QStringLiteral("MenuItemCodePage_") +
                          QString::fromLatin1(platform::kCodePageNames[i]));
    action->setCheckable(true);
    action->setChecked(codePage == State_.CodePage);
    action->setActionGroup(codePages);
    connect(action, &QAction::triggered, this, [this, codePage, i] {
      State_.CodePage = codePage;
      SaveSetting(QStringLiteral("Options/CodePage"),
                  QString::fromLatin1(platform::kCodePageNames[i]));
    });
  }

  MenuItemLinks = PopupMenuOptions->addMenu(U("音乐网站连接(&L)"));
  MenuItemLinks->setObjectName(QStringLiteral("MenuItemLinks"));
  const QString host = U(engine::kHomePageHost);
  MenuItemLink1 = item(MenuItemLinks, "MenuItemLink1", "");
  MenuItemLink1->setText(U("Morvix 网站 (%1)").arg(host));
  MenuItemLink1->setToolTip(U(engine::kHomePageAddress));
  MenuItemLink2 = item(MenuItemLinks, "MenuItemLink2", "自由音乐档案 (freemusicarchive.org)");
  MenuItemLink2->setToolTip(QStringLiteral("https://freemusicarchive.org/"));
  MenuItemWaitForYou = item(MenuItemLinks, "MenuItemWaitForYou", "等待您的加入！");
  MenuItemWaitForYou->setToolTip(QStringLiteral("mailto:webmaster@") + host);
  for (QAction* link : {MenuItemLink1, MenuItemLink2, MenuItemWaitForYou})
    connect(link, &QAction::triggered, this, [this, link] { MenuItemLinkClick(link); });

  // The preview and the undo sit between the settings and the links.
  QAction* links = MenuItemLinks->menuAction();
  PopupMenuOptions->insertSeparator(links);
  MenuItemPreview = new QAction(U("预览改名结果(&V)..."), this);
  MenuItemPreview->setObjectName(QStringLiteral("MenuItemPreview"));
  MenuItemUndo = new QAction(U("撤销改名(&Z)..."), this);
  MenuItemUndo->setObjectName(QStringLiteral("MenuItemUndo"));
  PopupMenuOptions->insertActions(links, {MenuItemPreview, MenuItemUndo});
  PopupMenuOptions->insertSeparator(links);
  connect(MenuItemPreview, &QAction::triggered, this, &TFormMain::MenuItemPreviewClick);
  connect(MenuItemUndo, &QAction::triggered, this, &TFormMain::MenuItemUndoClick);

  PopupMenuFileListBox = new QMenu(this);
  PopupMenuFileListBox->setObjectName(QStringLiteral("PopupMenuFileListBox"));
  MItemManualRename = item(PopupMenuFileListBox, "MItemManualRename", "手动改名(&R)...");
  MItemManualRename->setShortcut(QKeySequence(Qt::Key_F2));
  N1 = PopupMenuFileListBox->addSeparator();
  N1->setObjectName(QStringLiteral("N1"));
  MenuItemSelectAll = item(PopupMenuFileListBox, "MenuItemSelectAll", "全选(&A)");
  MenuItemSelectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_A));
  MenuItemDeselectAll = item(PopupMenuFileListBox, "MenuItemDeselectAll", "全不选(&D)");
  MenuItemDeselectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
  N2 = PopupMenuFileListBox->addSeparator();
  N2->setObjectName(QStringLiteral("N2"));
  MenuItemPlayThisFile =
      item(PopupMenuFileListBox, "MenuItemPlayThisFile", "使用默认播放器播放(&P)");
  MenuItemPlayThisFile->setShortcut(QKeySequence(Qt::Key_F9));
  MenuItemExport = item(PopupMenuFileListBox, "MenuItemExport", "导出文件列表(&E)...");
  // The shortcuts act while the file list has the focus, with the menu closed too.
  for (QAction* action :
       {MItemManualRename, MenuItemSelectAll, MenuItemDeselectAll, MenuItemPlayThisFile}) {
    action->setShortcutContext(Qt::WidgetShortcut);
    LongCheckListBoxFileNames->addAction(action);
  }

  connect(MItemManualRename, &QAction::triggered, this, &TFormMain::MItemManualRenameClick);
  connect(MenuItemSelectAll, &QAction::triggered, this, &TFormMain::ButtonSelectAllClick);
  connect(MenuItemDeselectAll, &QAction::triggered, this, &TFormMain::ButtonDeselectAllClick);
  connect(MenuItemPlayThisFile, &QAction::triggered, this, &TFormMain::MenuItemPlayThisFileClick);
  connect(MenuItemExport, &QAction::triggered, this, &TFormMain::MenuItemExportClick);
  connect(PopupMenuFileListBox, &QMenu::aboutToShow, this, &TFormMain::PopupMenuFileListBoxPopup);
  connect(LongCheckListBoxFileNames, &QWidget::customContextMenuRequested, this,
          [this](const QPoint& at) {
            PopupMenuFileListBox->popup(LongCheckListBoxFileNames->viewport()->mapToGlobal(at));
          });
}

void TFormMain::CreateDecorators() {
  auto decorate = [this](QWidget* control, TEdgeType edge) {
    auto* decorator = new widgets::TWin97izer(this);
    decorator->EdgeType = edge;
    decorator->SetWin97Control(control);
    return decorator;
  };
  Win97izerButtonRename = decorate(ButtonRename, TEdgeType::etFlatButton);
  Win97izerButtonRename->setObjectName(QStringLiteral("Win97izerButtonRename"));
  Win97izerButtonExit = decorate(ButtonExit, TEdgeType::etFlatButton);
  Win97izerButtonExit->setObjectName(QStringLiteral("Win97izerButtonExit"));
  Win97izerBitBtnMorvix = decorate(BitBtnMorvix, TEdgeType::etRaised);
  Win97izerBitBtnMorvix->setObjectName(QStringLiteral("Win97izerBitBtnMorvix"));
  Win97izerCheckListBoxFileNames = decorate(LongCheckListBoxFileNames, TEdgeType::etSunkenOuter);
  Win97izerCheckListBoxFileNames->setObjectName(QStringLiteral("Win97izerCheckListBoxFileNames"));
  Win97izerComboBoxFileNameTemplate = decorate(ComboBoxFileNameTemplate, TEdgeType::etSunkenOuter);
  Win97izerComboBoxFileNameTemplate->setObjectName(
      QStringLiteral("Win97izerComboBoxFileNameTemplate"));
  Win97izerComboBoxChooseFileType = decorate(ComboBoxChooseFileType, TEdgeType::etSunkenOuter);
  Win97izerComboBoxChooseFileType->setObjectName(QStringLiteral("Win97izerComboBoxChooseFileType"));
  Win97izerButtonSelectAll = decorate(ButtonSelectAll, TEdgeType::etFlatButton);
  Win97izerButtonSelectAll->setObjectName(QStringLiteral("Win97izerButtonSelectAll"));
  Win97izerButtonDeselectAll = decorate(ButtonDeselectAll, TEdgeType::etFlatButton);
  Win97izerButtonDeselectAll->setObjectName(QStringLiteral("Win97izerButtonDeselectAll"));
  Win97izerButtonOptions = decorate(ButtonOptions, TEdgeType::etFlatButton);
  Win97izerButtonOptions->setObjectName(QStringLiteral("Win97izerButtonOptions"));
  Win97izer1 = decorate(ShellTreeView, TEdgeType::etSunkenOuter);
  Win97izer1->setObjectName(QStringLiteral("Win97izer1"));
}

void TFormMain::SetTabOrder() {
  // Static texts and group boxes hold places of their own but never take the focus, so the
  // focus runs: list, select all, select none, rename, exit, options, the two boxes of the
  // file name settings, the home-page button, the tree.
  const QList<QWidget*> order{LongCheckListBoxFileNames,
                              ButtonSelectAll,
                              ButtonDeselectAll,
                              ButtonRename,
                              ButtonExit,
                              ButtonOptions,
                              ComboBoxChooseFileType,
                              ComboBoxFileNameTemplate,
                              BitBtnMorvix,
                              ShellTreeView};
  for (qsizetype i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

void TFormMain::DefaultSeams() {
  AskNewName = [this](const QString& oldName, QString& newName) {
    return DialogRename != nullptr && DialogRename->Execute(oldName, newName);
  };
  AskSaveFile = [this](std::string& fileName, int& filterIndex) {
    return AskSaveFileWithDialog(fileName, filterIndex);
  };
  ConfirmReplace = [this](const std::string& fileName) {
    return QMessageBox::question(this, QCoreApplication::applicationName(),
                                 U("%1 已存在。\n要替换它吗？").arg(PathText(fileName)),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
  ShowMessage = [this](const QString& text, const QString& caption) {
    ShowBox(this, QMessageBox::NoIcon, text, caption);
  };
  ShowError = [this](const QString& text, const QString& caption) {
    ShowBox(this, QMessageBox::Critical, text, caption);
  };
  OpenTarget = [](const std::string& target) { platform::ShellOpen(target); };
  AskUndoFile = [this](std::string& fileName) { return AskUndoFileWithDialog(fileName); };
  ConfirmPlan = [](TDialogPlan& plan) { return plan.exec() == QDialog::Accepted; };
  ConfirmStop = [this] {
    return QMessageBox::question(this, QCoreApplication::applicationName(),
                                 U("正在改名。\n要在当前文件改完后停止，然后退出吗？"),
                                 QMessageBox::Yes | QMessageBox::No,
                                 QMessageBox::No) == QMessageBox::Yes;
  };
}

bool TFormMain::AskSaveFileWithDialog(std::string& fileName, int& filterIndex) {
  // The one dialog keeps the last filter; the last name is offered again.
  if (!LastSaveName_.empty()) DialogSave->selectFile(PathText(LastSaveName_));
  if (DialogSave->exec() != QDialog::Accepted) return false;
  const QStringList files = DialogSave->selectedFiles();
  if (files.isEmpty()) return false;
  fileName = PathBytes(files.first());
  filterIndex =
      static_cast<int>(DialogSave->nameFilters().indexOf(DialogSave->selectedNameFilter())) + 1;
  if (filterIndex < 1) filterIndex = 1;
  LastSaveName_ = fileName;
  return true;
}

// ---- Layout

void TFormMain::ApplyAnchors() {
  // Every anchored edge keeps its design distance to the same edge of the window.
  const int dw = width() - kClientWidth;
  const int dh = height() - kClientHeight;
  for (const TPlacement& p : Placements_) {
    QRect r = p.Design;
    if (p.Anchors & akRight) {
      if (p.Anchors & akLeft)
        r.setWidth(r.width() + dw);
      else
        r.moveLeft(r.left() + dw);
    }
    if (p.Anchors & akBottom) {
      if (p.Anchors & akTop)
        r.setHeight(r.height() + dh);
      else
        r.moveTop(r.top() + dh);
    }
    // A control anchored at neither side keeps its current horizontal place: the resize
    // rule sets it.
    if (!(p.Anchors & (akLeft | akRight))) {
      r.moveLeft(p.Control->x());
      r.setWidth(p.Control->width());
    }
    p.Control->setGeometry(r);
  }
}

void TFormMain::FormResize() {
  QWidget* tree = ShellTreeView;
  QWidget* list = LongCheckListBoxFileNames;
  const int w = (list->x() + list->width() - tree->x() - 8) / 2;
  tree->setGeometry(tree->x(), tree->y(), w, tree->height());
  list->setGeometry(tree->x() + w + 8, list->y(), w, list->height());
  LabelFileNames->move(list->x(), LabelFileNames->y());
  const int b = (w - 8) / 2;
  ButtonSelectAll->setGeometry(list->x(), ButtonSelectAll->y(), b, ButtonSelectAll->height());
  ButtonDeselectAll->setGeometry(ButtonSelectAll->x() + ButtonSelectAll->width() + 8,
                                 ButtonDeselectAll->y(), b, ButtonDeselectAll->height());
  const int s = OuterWidth() - 12 - ButtonRename->x() - 20;
  // s x 0.4 and s x 0.2, truncated; integer arithmetic gives the same for every s.
  ButtonRename->resize(2 * s / 5, ButtonRename->height());
  ButtonExit->setGeometry(ButtonRename->x() + ButtonRename->width() + 10, ButtonExit->y(),
                          2 * s / 5, ButtonExit->height());
  ButtonOptions->setGeometry(ButtonExit->x() + ButtonExit->width() + 10, ButtonOptions->y(), s / 5,
                             ButtonOptions->height());
}

void TFormMain::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  ApplyAnchors();
  FormResize();
}

// ---- Start-up and shutdown

void TFormMain::FormCreate() {
  FileNames_.Clear();
  State_.Counters = {};
  ShowCounters();
  LabelFileTypeTips->setText(Legend(engine::kLegendA));
  State_.CurrentExtension = std::string(engine::kDefaultExtension);
  State_.FileType = 0;
  ComboBoxFileNameTemplate->setCurrentIndex(0);
  {
    // Choosing the row from code is no type change.
    const QSignalBlocker quiet(ComboBoxChooseFileType);
    ComboBoxChooseFileType->setCurrentIndex(0);
  }
  LoadSettings();
  setAcceptDrops(true);
  FolderRefresh();
}

void TFormMain::FormClose() {
  setAcceptDrops(false);
  // The rest was written as it changed.
  SaveSetting(QStringLiteral("Geometry"), saveGeometry());
}

// ---- Remembered settings
//
// Kept between runs: a user who once turned the undo list on should not lose the old names
// the one time he forgets to tick it again. What the file holds is read with care: another
// program or a hand may have written anything there.

QString TFormMain::SettingsFileName() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
         QStringLiteral("/Tunaro/tunaro.conf");
}

void TFormMain::LoadSettings() {
  const QSettings settings(SettingsFileName(), QSettings::IniFormat);
  // Only "true" turns an option on: Qt would read any other word but "false" as true.
  auto mark = [&settings](QAction* action, const char* key) {
    const QString value = settings.value(QString::fromLatin1(key)).toString().trimmed();
    action->setChecked(value.compare(QStringLiteral("true"), Qt::CaseInsensitive) == 0);
  };
  mark(MenuItemProcessSubDirectory, "Options/ProcessSubDirectory");
  mark(MenuItemCreateUndoBatch, "Options/CreateUndoBatch");
  mark(MenuItemKeepLog, "Options/KeepLog");
  mark(MenuItemExportSelectedOnly, "Options/ExportSelectedOnly");

  const QString codePage = settings.value(QStringLiteral("Options/CodePage")).toString();
  for (size_t i = 0; i < std::size(platform::kCodePageNames); ++i) {
    if (codePage != QLatin1String(platform::kCodePageNames[i])) continue;
    State_.CodePage = static_cast<platform::TCodePage>(i);
    for (QAction* action : MenuItemCodePage->actions())
      action->setChecked(action->objectName() == QStringLiteral("MenuItemCodePage_") + codePage);
  }

  // The type by its name ("mp3", "all"); older settings stored the extension with its dot.
  QString typeName = settings.value(QStringLiteral("FileType")).toString();
  if (typeName.startsWith(QLatin1Char('.'))) typeName.remove(0, 1);
  const int row = typeName.isEmpty() ? -1 : engine::FileTypeRowByName(typeName.toStdString());
  if (row >= 0) {
    const QSignalBlocker quiet(ComboBoxChooseFileType);
    ComboBoxChooseFileType->setCurrentIndex(row);
    ShowFileType(static_cast<size_t>(row));
  }

  RecentTemplates_ = RecentTemplatesOf(settings);
  FillTemplateBox();
  // A template longer than anyone types (a file of 10 MB pasted in) is none: the box keeps
  // its first preset.
  const QString text = settings.value(QStringLiteral("Template")).toString();
  if (settings.contains(QStringLiteral("Template")) && text.size() <= kMaxTemplateLength)
    ComboBoxFileNameTemplate->setEditText(text);
  Loading_ = false;
}

void TFormMain::SaveSetting(const QString& key, const QVariant& value) const {
  if (Loading_) return;
  QSettings settings(SettingsFileName(), QSettings::IniFormat);
  settings.setValue(key, value);
}

void TFormMain::RememberTemplate(const QString& text) {
  // Added to the list as it stands now, with what another window added since.
  RecentTemplates_ = RecentTemplatesOf(QSettings(SettingsFileName(), QSettings::IniFormat));
  RecentTemplates_.removeAll(text);
  RecentTemplates_.prepend(text);
  if (RecentTemplates_.size() > kMaxRecentTemplates) RecentTemplates_.resize(kMaxRecentTemplates);
  SaveSetting(QStringLiteral("RecentTemplates"), RecentTemplates_);
  FillTemplateBox();
}

void TFormMain::FillTemplateBox() {
  // The presets first, in their order; then the templates used last that are no preset.
  QStringList items;
  for (const char* preset : engine::kTemplatePresets) items << U(preset);
  for (const QString& recent : RecentTemplates_)
    if (!items.contains(recent)) items << recent;
  QComboBox* box = ComboBoxFileNameTemplate;
  const QString text = box->currentText();
  const QSignalBlocker quiet(box);
  box->clear();
  box->addItems(items);
  box->setEditText(text);
}

void TFormMain::ButtonExitClick() {
  close();
}

void TFormMain::closeEvent(QCloseEvent* event) {
  // The exit button is disabled during a run. The close box asks whether to stop: the run then
  // ends after the file in hand, its log and undo file closed as at a normal end, and the
  // window closes.
  if (Running_) {
    event->ignore();
    if (!StopRequested_ && ConfirmStop()) StopRequested_ = true;
    return;
  }
  // A scan going on would go on filling a closed window: clearing the list stops it.
  if (Scans_ > 0) FileNames_.Clear();
  FormClose();
  event->accept();
}

// ---- Engine host

void TFormMain::ShowCounters() {
  FileListModel->Flush();
  const engine::TCounters& c = State_.Counters;
  auto show = [](QLabel* label, int32_t value) {
    const QString text = QString::number(value);
    if (label->text() == text) return;
    label->setFont(CountFont(label->parentWidget()->font(), text, label->contentsRect().width()));
    label->setText(text);
  };
  show(StaticTextTotal, c.Total);
  show(StaticTextSuccess, c.Success);
  show(StaticTextFailure, c.Failure);
  if (GaugeProgress->value() != c.Progress) GaugeProgress->setValue(c.Progress);
}

void TFormMain::CounterDisplayRefresh() {
  if (LastDisplay_.isValid() && LastDisplay_.elapsed() < kDisplayIntervalMs) return;
  ShowCounters();
  QCoreApplication::processEvents();
  // Counted from the end of the event processing, so that the work gets its full share.
  LastDisplay_.start();
}

void TFormMain::BeginBusy() {
  QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TFormMain::EndBusy() {
  QApplication::restoreOverrideCursor();
}

// ---- Folder refresh, type change, drops

void TFormMain::FolderRefresh() {
  // The run refreshes the list when it ends; until then a change of folder waits.
  if (Running_) {
    PendingRefresh_ = true;
    PendingDrop_.reset();
    return;
  }
  const std::string path = ShellTreeView->Path();
  LabelCurrentPathDetail->setText(PathText(path));
  // A drop may have named other types; the list is the chosen type's again.
  if (State_.FileType >= 0)
    StaticTextTotalFiles->setText(U(
        engine::RowCountCaption(engine::kFileTypes[static_cast<size_t>(State_.FileType)]).c_str()));
  // The folder as the file system's bytes, which need not be UTF-8.
  if (!path.empty()) SaveSetting(QStringLiteral("Folder"), QByteArray::fromStdString(path));
  ++Scans_;
  // A refresh that arrives while this one scans clears the list, and the engine then stops
  // this scan: the list never mixes two folders.
  engine::FolderRefresh(*this, path);
  --Scans_;
  ShowCounters();
}

void TFormMain::ShellTreeViewChange() {
  FolderRefresh();
}

void TFormMain::ComboBoxChooseFileTypeChange() {
  const int row = ComboBoxChooseFileType->currentIndex();
  if (row >= 0 && row < static_cast<int>(engine::kFileTypes.size())) {
    ShowFileType(static_cast<size_t>(row));
  } else {
    const QSignalBlocker quiet(ComboBoxChooseFileType);
    ComboBoxChooseFileType->setCurrentIndex(0);
    ShowFileType(0);
  }
  const engine::TFileType& type = engine::kFileTypes[static_cast<size_t>(State_.FileType)];
  SaveSetting(QStringLiteral("FileType"),
              QString::fromLatin1(*type.Extension != 0 ? type.Extension + 1 : "all"));
  FolderRefresh();
}

void TFormMain::ShowFileType(size_t row) {
  const engine::TFileType& type = engine::kFileTypes[row];
  State_.FileType = static_cast<int>(row);
  State_.CurrentExtension = type.Extension;
  LabelFileTypeTips->setText(Legend(type.Legend));
  StaticTextTotalFiles->setText(U(engine::RowCountCaption(type).c_str()));
}

void TFormMain::FilesDropped(const std::vector<std::string>& paths) {
  activateWindow();
  raise();
  if (Running_) {
    // Applied when the run has ended, after its refresh.
    PendingDrop_ = paths;
    return;
  }
  RunDropFiles(paths);
}

void TFormMain::RunDropFiles(const std::vector<std::string>& paths) {
  // Clearing the list also stops a scan that is going on.
  engine::DropFiles(*this, paths);
  StaticTextTotalFiles->setText(U(DroppedCountCaption(FileNames_).c_str()));
  ShowCounters();
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void TFormMain::dragMoveEvent(QDragMoveEvent* event) {
  if (!DroppedPaths(event->mimeData()).empty()) event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event) {
  const std::vector<std::string> paths = DroppedPaths(event->mimeData());
  if (paths.empty()) return;
  event->acceptProposedAction();
  FilesDropped(paths);
}

// ---- Rename command

bool TFormMain::AnyChecked() const {
  for (size_t i = 0; i < FileNames_.Count(); ++i)
    if (FileNames_.Checked(i)) return true;
  return false;
}

void TFormMain::ButtonRenameClick() {
  if (State_.Counters.Total == 0) {
    ShowMessage(U("指定的类型找不到任何文件!"), U("确认"));
    return;
  }
  // A run of nothing would still write a log section and an undo file.
  if (!AnyChecked()) {
    ShowMessage(U("没有选中任何文件"), U("确认"));
    return;
  }
  const engine::TRunSettings settings = RunSettings();
  // The log and the undo file need their folder before the first file is renamed.
  if (settings.KeepLog || settings.CreateUndoBatch) {
    const QString problem = PrepareDesktop(true);
    if (!problem.isEmpty()) {
      ShowError(problem + U("。\n运行记录和恢复列表要写在那里，所以没有改名任何文件。"),
                QCoreApplication::applicationName());
      return;
    }
  }
  const QList<QWidget*> locked{ComboBoxFileNameTemplate, ComboBoxChooseFileType, ButtonRename,
                               ButtonExit};
  for (QWidget* control : locked) control->setEnabled(false);
  QApplication::setOverrideCursor(Qt::WaitCursor);

  RememberTemplate(ComboBoxFileNameTemplate->currentText());
  Running_ = true;
  PendingRefresh_ = false;
  PendingDrop_.reset();
  TRunHost run(*this);
  const platform::TIoError error = engine::RenameRun(run, Readers_, settings);
  Running_ = false;

  QApplication::restoreOverrideCursor();
  for (QWidget* control : locked) control->setEnabled(true);
  ShowCounters();
  if (error)
    ShowError(U(error.Text().c_str()), QCoreApplication::applicationName());
  else
    PendingRefresh_ = true;

  // After the run: the refresh shows the folder selected last; a drop that came during the
  // run then replaces the list, as it would have done at once.
  std::optional<std::vector<std::string>> drop = std::move(PendingDrop_);
  PendingDrop_.reset();
  const bool refresh = PendingRefresh_;
  PendingRefresh_ = false;
  if (StopRequested_) {
    StopRequested_ = false;
    close();
    return;
  }
  if (refresh) FolderRefresh();
  if (drop) RunDropFiles(*drop);
  // The refresh has zeroed the counters: what failed, and why, is shown once.
  if (run.Failures.Failures > 0) ShowRunFailures(run.Failures);
}

QString TFormMain::PrepareDesktop(bool make) const {
  // The user's own desktop is made as xdg-user-dirs makes it; a folder the window was given
  // otherwise is only looked at.
  const platform::TUserEnvironment env = platform::TUserEnvironment::FromProcess();
  if (const platform::TDesktopFolder looked = platform::MakeDesktopFolder(env, false);
      looked.Path == DesktopDir_)
    return DesktopProblem(make ? platform::MakeDesktopFolder(env, true) : looked);
  const int state = DesktopDir_.empty() ? ENOENT : platform::FolderState(DesktopDir_);
  if (state == ENOENT && !DesktopDir_.empty())
    return U("无法使用桌面文件夹 %1：它不存在").arg(PathText(DesktopDir_));
  return DesktopProblem({DesktopDir_, state});
}

std::string TFormMain::UndoFilesFolder() const {
  // Where the runs write them; while that is missing, the nearest folder above it.
  std::string folder = DesktopDir_;
  while (!folder.empty() && platform::FolderState(folder) != 0)
    folder.erase(std::min(folder.find_last_of('/'), folder.size() - 1));
  return folder.empty() ? PathBytes(QDir::homePath()) : folder;
}

// ---- Tree and list commands

int TFormMain::SelectedIndex() const {
  const QModelIndex current = LongCheckListBoxFileNames->currentIndex();
  if (!current.isValid() || !LongCheckListBoxFileNames->selectionModel()->isSelected(current))
    return -1;
  if (static_cast<size_t>(current.row()) >= FileNames_.Count()) return -1;
  return current.row();
}

void TFormMain::ButtonSelectAllClick() {
  FileNames_.SetAllChecked(true);
}

void TFormMain::ButtonDeselectAllClick() {
  FileNames_.SetAllChecked(false);
}

void TFormMain::MenuItemPlayThisFileClick() {
  const int row = SelectedIndex();
  if (row < 0) return;
  OpenTarget(FileNames_.Path(static_cast<size_t>(row)));
}

void TFormMain::MenuItemLinkClick(QAction* sender) {
  if (sender) OpenTarget(sender->toolTip().toUtf8().toStdString());
}

void TFormMain::HyperLink1Click() {
  OpenTarget(engine::kHomePageAddress);
}

void TFormMain::ButtonOptionsClick() {
  PopupMenuOptions->popup(ButtonOptions->mapToGlobal(QPoint(0, ButtonOptions->height())));
}

void TFormMain::contextMenuEvent(QContextMenuEvent* event) {
  PopupMenuOptions->popup(event->globalPos());
}

void TFormMain::PopupMenuFileListBoxPopup() {
  LongCheckListBoxFileNames->HideHint();
}

void TFormMain::MenuItemProcessSubDirectoryClick() {
  MenuItemProcessSubDirectory->toggle();
}

void TFormMain::MenuItemCreateUndoBatchClick() {
  MenuItemCreateUndoBatch->toggle();
}

void TFormMain::MenuItemKeepLogClick() {
  MenuItemKeepLog->toggle();
}

void TFormMain::MenuItemExportSelectedOnlyClick() {
  MenuItemExportSelectedOnly->toggle();
}

// ---- Manual rename

void TFormMain::MItemManualRenameClick() {
  const int row = SelectedIndex();
  if (row < 0) return;
  const std::string oldPath = FileNames_.Path(static_cast<size_t>(row));
  const QString oldName = PathText(engine::ExtractFileName(oldPath));
  QString newName = oldName;
  if (!AskNewName(oldName, newName)) return;
  std::string name = PathBytes(newName);
  engine::FilterIllegalChars(name);
  // The attributes stay as they are: a read-only file keeps its flag under the new name.
  const std::string newPath = engine::ExtractFilePath(oldPath) + name;
  if (platform::RenameNoReplace(oldPath, newPath) == 0)
    FolderRefresh();
  else
    ShowMessage(U("改名失败！"), U("错误"));
}

// ---- Export

void TFormMain::MenuItemExportClick() {
  if (FileNames_.Count() == 0) return;
  std::string chosen;
  int filterIndex = 1;
  if (!AskSaveFile(chosen, filterIndex)) return;
  if (filterIndex < 1 || filterIndex > 3) filterIndex = 1;
  const auto form = static_cast<engine::TExportForm>(filterIndex);
  const std::string fileName = engine::ChangeExportExtension(chosen, form);
  // The dialog asked about the name as typed; the file written may be another one.
  if (fileName != chosen && platform::FileExists(fileName) && !ConfirmReplace(fileName)) return;
  const platform::TIoError error =
      engine::WriteList(fileName, form, FileNames_, State_.ExportSelectedOnly);
  if (error) ShowError(U(error.Text().c_str()), QCoreApplication::applicationName());
}

}  // namespace tunaro::ui
