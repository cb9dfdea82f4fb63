#include "ui/startup.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <filesystem>
#include <optional>

#include "platform/fs.h"

namespace tunaro::ui {

TCommandLine ParseCommandLine(const std::vector<std::string>& args, const std::string& cwd) {
  TCommandLine result;
  std::vector<std::string> paths;
  for (const std::string& arg : args) {
    if (arg.empty()) continue;
    // Plain byte operations: a name that is not valid UTF-8 keeps its bytes.
    std::filesystem::path path(arg);
    if (path.is_relative()) path = std::filesystem::path(cwd) / path;
    std::string normal = path.lexically_normal().string();
    while (normal.size() > 1 && normal.back() == '/') normal.pop_back();
    paths.push_back(std::move(normal));
  }
  // Asked of the bytes themselves: a name Qt cannot decode is still a folder, or a file.
  std::erase_if(paths, [&](const std::string& path) {
    const bool gone = !platform::FileExists(path);
    result.Skipped += gone ? 1 : 0;
    return gone;
  });
  if (paths.size() == 1 && platform::FolderState(paths[0]) == 0)
    result.Folder = paths[0];
  else
    result.Files = std::move(paths);
  return result;
}

void UseChineseQtFormats() {
  static const char* const kNames[] = {"LC_ALL",         "LC_TIME",     "LC_NUMERIC", "LC_MONETARY",
                                       "LC_MEASUREMENT", "LC_MESSAGES", "LANG",       "LANGUAGE"};
  std::vector<std::optional<QByteArray>> kept;
  for (const char* name : kNames) {
    kept.push_back(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    qunsetenv(name);
  }
  qputenv("LC_ALL", "zh_CN.UTF-8");
  (void)QLocale::system();
  qunsetenv("LC_ALL");
  for (size_t i = 0; i < kept.size(); ++i)
    if (kept[i]) qputenv(kNames[i], *kept[i]);
}

bool InstallQtTranslations() {
  const QLocale chinese(QLocale::Chinese, QLocale::China);
  QLocale::setDefault(chinese);
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(chinese, QStringLiteral("qt"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace tunaro::ui
