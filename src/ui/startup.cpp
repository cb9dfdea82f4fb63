#include "ui/startup.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <filesystem>

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
  if (paths.size() == 1 &&
      QFileInfo(QFile::decodeName(QByteArray::fromStdString(paths[0]))).isDir())
    result.Folder = paths[0];
  else
    result.Files = std::move(paths);
  return result;
}

bool InstallQtTranslations() {
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QLocale(QLocale::Chinese, QLocale::China), QStringLiteral("qt"),
                        QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}

}  // namespace tunaro::ui
