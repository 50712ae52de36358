#pragma once
// Finding the main window's controls by object name.
#include "ui/FormMain.h"

#include <QAction>
#include <QMenu>
#include <QString>
#include <gtest/gtest.h>

namespace quorvia::test {

template <typename T>
T* Find(const QObject* parent, const char* name)
{
    T* found = parent->findChild<T*>(QLatin1String(name));
    EXPECT_NE(found, nullptr) << name;
    return found;
}

inline QAction* FindAction(const QObject* parent, const char* name) { return Find<QAction>(parent, name); }

// The entries of a menu as captions, separators as "-".
inline QStringList Captions(const QMenu* menu)
{
    QStringList out;
    for (const QAction* a : menu->actions()) out << (a->isSeparator() ? QStringLiteral("-") : a->text());
    return out;
}

}  // namespace quorvia::test
