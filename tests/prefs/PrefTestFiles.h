#pragma once
#include <QByteArray>
#include <QFile>
#include <QString>
#include <gtest/gtest.h>
#include <ostream>
#include <string>

// Failures show file contents as text, not as lists of bytes.
inline void PrintTo(const QByteArray& bytes, std::ostream* os)
{
    *os << ::testing::PrintToString(bytes.toStdString());
}

// Whole-file helpers for tests that look at the preference file byte by byte.
inline bool WriteBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

inline QByteArray ReadBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A complete, valid file: the three counted keys besides NoteNum, and the given note lines.
inline QByteArray ConfigurationWith(const QByteArray& lines)
{
    return "[Configuration]\nversion=1\nSortCol=1\nSortDesFlag=0\n" + lines;
}
