#pragma once

// Teaches GoogleTest to print Qt's text and byte types, so that a failed comparison shows
// the text itself rather than the object's bytes. Included into every Qt-based test.
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
inline void PrintTo(const QByteArray& bytes, std::ostream* out) {
    *out << "QByteArray(" << bytes.size() << ") \"" << bytes.toStdString() << '"';
}
inline void PrintTo(const QStringList& texts, std::ostream* out) {
    *out << '{';
    for (qsizetype i = 0; i < texts.size(); ++i) {
        if (i) *out << ", ";
        PrintTo(texts[i], out);
    }
    *out << '}';
}
