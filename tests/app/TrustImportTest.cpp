// Trust files added by an operator: dropped on the window or named on the
// command line, copied into the user's trust store folder only when they parse.
#include <gtest/gtest.h>

#include <QApplication>
#include <QDropEvent>
#include <QMimeData>
#include <QTextBlock>
#include <QTextEdit>

#include <cstdlib>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app/ImportCommand.h"
#include "app/frmZelvan.h"
#include "reader/ApduExchange.h"
#include "support/ScopedEnvironment.h"
#include "support/ScopedSeam.h"
#include "support/TempFolder.h"
#include "support/TestPki.h"
#include "ui_frmZelvan.h"

namespace {

using namespace testpki;

// The user's folder is the first folder of ZELVAN_TRUST_STORE while it is set.
class TUserFolderAt {
public:
  explicit TUserFolderAt(const std::filesystem::path& folder) : variable_("ZELVAN_TRUST_STORE", folder.string()) {}

private:
  TScopedEnvironment variable_;
};

// A CSCA certificate and a file that is none, side by side.
struct TSourceFiles {
  TSourceFiles() {
    const TEvpPkeyPtr key = NewEcKey();
    const TX509Ptr csca = MakeCertificate({"DE", "Import CSCA", Utc(2020, 1, 1), Utc(2040, 1, 1), true, 7}, key.get(),
                                          nullptr, key.get());
    WriteFile(Csca(), Der(csca.get()));
    WriteFile(Notes(), {'C', 'S', 'C', 'A'});
  }
  std::filesystem::path Csca() const { return Folder.Path() / "csca.cer"; }
  std::filesystem::path Notes() const { return Folder.Path() / "notes.txt"; }
  TTempFolder Folder;
};

std::vector<std::pair<QString, QColor>> LogLines(TfrmPICC& window) {
  std::vector<std::pair<QString, QColor>> lines;
  for (QTextBlock block = window.Form().rbOutput->document()->begin(); block.isValid(); block = block.next())
    if (block.begin() != block.end())
      lines.emplace_back(block.text(), block.begin().fragment().charFormat().foreground().color());
  return lines;
}

// Drags the URLs over the window and drops them; whether the window took them.
bool DropOn(TfrmPICC& window, const QList<QUrl>& urls) {
  QMimeData data;
  data.setUrls(urls);
  const QPoint centre = window.rect().center();
  QDragEnterEvent enter(centre, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(QPointF(centre), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&window, &drop);
  return drop.isAccepted();
}

TEST(TrustFilesDropped, AreImportedWithOneLogLineEachAndOnlyWhenTheyParse) {
  const TSourceFiles sources;
  const TTempFolder user;
  const TUserFolderAt userFolder(user.Path());
  ResetReaderLink();
  TfrmPICC window;

  EXPECT_FALSE(DropOn(window, {QUrl(QStringLiteral("https://pkddownloadsg.icao.int/masterlist.ml"))}))
      << "only local files are taken";
  ASSERT_TRUE(DropOn(window, {QUrl::fromLocalFile(QString::fromStdString(sources.Csca().string())),
                              QUrl::fromLocalFile(QString::fromStdString(sources.Notes().string()))}));

  const auto lines = LogLines(window);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], std::make_pair(QStringLiteral("Imported csca.cer: 1 CSCA certificate"), QColor(0, 0, 128)));
  EXPECT_TRUE(lines[1].first.startsWith(QStringLiteral("Not imported notes.txt: "))) << lines[1].first.toStdString();
  EXPECT_EQ(lines[1].second, QColor(255, 0, 0));
  EXPECT_TRUE(std::filesystem::exists(user.Path() / "csca.cer"));
  EXPECT_FALSE(std::filesystem::exists(user.Path() / "notes.txt"));

  // Dropped again from the folder itself: still imported, nothing lost.
  ASSERT_TRUE(DropOn(window, {QUrl::fromLocalFile(QString::fromStdString((user.Path() / "csca.cer").string()))}));
  EXPECT_EQ(LogLines(window).back().first, QStringLiteral("Imported csca.cer: 1 CSCA certificate"));
  EXPECT_TRUE(std::filesystem::file_size(user.Path() / "csca.cer") > 0);
  ResetReaderLink();
}

TEST(ImportCommand, ImportsTheNamedFilesAndSaysSoInItsExitStatus) {
  const TSourceFiles sources;
  const TTempFolder user;
  const TUserFolderAt userFolder(user.Path());
  struct TCase {
    std::vector<std::string> Arguments;
    std::optional<int> Status;
    std::vector<std::string> LinesStartingWith;
  };
  const std::vector<TCase> cases{
      {{}, std::nullopt, {}},
      {{"-platform", "offscreen"}, std::nullopt, {}},
      {{"--import"}, 2, {"Usage: zelvan --import FILE..."}},
      {{"--import", sources.Csca().string()}, 0, {"Trust store folder: ", "Imported csca.cer: 1 CSCA certificate"}},
      {{"--import", sources.Csca().string(), sources.Notes().string()},
       1,
       {"Trust store folder: ", "Imported csca.cer: ", "Not imported notes.txt: "}},
  };
  for (const TCase& c : cases) {
    std::ostringstream out;
    EXPECT_EQ(RunImportCommand(c.Arguments, out), c.Status) << out.str();
    std::istringstream printed(out.str());
    std::vector<std::string> lines;
    for (std::string line; std::getline(printed, line);) lines.push_back(line);
    ASSERT_EQ(lines.size(), c.LinesStartingWith.size()) << out.str();
    for (std::size_t i = 0; i < lines.size(); ++i)
      EXPECT_TRUE(lines[i].starts_with(c.LinesStartingWith[i])) << lines[i];
  }
  EXPECT_TRUE(std::filesystem::exists(user.Path() / "csca.cer"));
}

}  // namespace
