#include "RealDocuments.h"

#include <QDateTime>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <stdexcept>

namespace {

QJsonObject Manifest() {
  QFile file(QString::fromStdString((RealDataFolder() / "manifest.json").string()));
  if (!file.open(QIODevice::ReadOnly)) throw std::runtime_error("manifest.json cannot be read");
  return QJsonDocument::fromJson(file.readAll()).object();
}

std::string Text(const QJsonValue& value) { return value.toString().toStdString(); }

}  // namespace

std::filesystem::path RealDataFolder() { return std::filesystem::path(ZELVAN_TRUST_TEST_DATA) / "pa"; }

std::vector<TRealSod> RealSods() {
  std::vector<TRealSod> sods;
  for (const QJsonValue& entry : Manifest()["sods"].toArray()) {
    const QJsonObject sod = entry.toObject();
    TRealSod real;
    real.Country = Text(sod["country"]);
    real.File = RealDataFolder() / Text(sod["file"]);
    real.SigningTime = QDateTime::fromString(sod["signing_time"].toString(), Qt::ISODate).toSecsSinceEpoch();
    real.HashAlgorithm = Text(sod["lds_hash"]);
    real.Version = sod["lds_security_object_version"].toInt();
    for (const QJsonValue& group : sod["data_groups"].toArray()) real.DataGroups.push_back(group.toInt());
    real.DocumentSigner = Text(sod["ds"].toObject()["subject"]);
    real.Csca = Text(sod["csca"].toObject()["subject"]);
    sods.push_back(real);
  }
  return sods;
}

std::vector<TRealMasterList> RealMasterLists() {
  std::vector<TRealMasterList> lists;
  for (const QJsonValue& entry : Manifest()["master_lists"].toArray()) {
    const QJsonObject list = entry.toObject();
    lists.push_back({RealDataFolder() / "trust" / Text(list["file"]), list["csca"].toInt(), Text(list["signer"]),
                     Text(list["signer_issuer"])});
  }
  return lists;
}
