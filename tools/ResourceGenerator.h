#pragma once

#include <QByteArray>
#include <QString>
#include <map>

// The editor's product data is authored here, in code, so that every byte in resources/ can be
// reproduced and reviewed: the catalogue, the category lists, the effect programs, the control
// layouts, the information pages, the firmware image and the looks.
namespace tarvo::gen {

// Every file of the product data, keyed by its file name (the stored, upper-case resource name).
std::map<QString, QByteArray> productData();

// Writes every file into `folder` (created if missing). Returns an empty text on success, or what
// went wrong; a file is written to a temporary name first, so a failure never leaves half a file.
QString writeProductData(const QString& folder);

// The parts, exposed for the generator's own checks.
QByteArray effectList();
QByteArray firmwareImage();
QByteArray styleSheet(int look);
// A look's colours by their role in the sheet ("window", "text", "border", "focus", ...).
std::map<QString, QString> lookColours(int look);

} // namespace tarvo::gen
