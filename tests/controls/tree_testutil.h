#pragma once
// A shown qvTree over temporary drives, with a scripted dialogue, and helpers that
// work it with real mouse and key input.
#include "controls/tree/qvTree.h"
#include "controls/tree/qvTreeModel.h"
#include "platform/base/PlatformError.h"
#include "platform/base/ScriptedDialog.h"
#include "support/TempTree.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QStandardItem>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

using qv::qvTree;
using qv::qvTreeModel;

class TreeTest : public ::testing::Test
{
protected:
    explicit TreeTest(const QString &letters = QStringLiteral("CD")) : drives(letters)
    {
        qv::setDialog(&dialog);
        dialog.setOnUnexpected(
            [](const QString &what) { ADD_FAILURE() << "unexpected dialogue: " << what.toStdString(); });
    }
    ~TreeTest() override
    {
        tree.reset();
        qv::setDialog(nullptr);
    }

    // Builds and shows the tree; configure runs before it is shown.
    qvTree &show(const std::function<void(qvTree &)> &configure = {})
    {
        tree = std::make_unique<qvTree>();
        tree->resize(260, 400);
        if (configure)
            configure(*tree);
        tree->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(tree.get()));
        return *tree;
    }

    QStandardItem *node(const QString &key) const { return tree->node(key); }
    QStringList childKeys(const QString &key) const
    {
        QStringList out;
        if (QStandardItem *n = node(key))
            for (int r = 0; r < n->rowCount(); ++r)
                out << qvTreeModel::key(n->child(r));
        return out;
    }
    QWidget *viewport() const { return tree->treeView()->viewport(); }
    QRect rectOf(const QString &key) const
    {
        QStandardItem *n = node(key);
        if (!n)
            return {};
        tree->treeView()->scrollTo(n->index());
        return tree->treeView()->visualRect(n->index());
    }
    // Clicks the label of a node.
    void clickNode(const QString &key, Qt::MouseButton button = Qt::LeftButton)
    {
        const QRect r = rectOf(key);
        ASSERT_TRUE(r.isValid()) << key.toStdString();
        QTest::mouseClick(viewport(), button, {}, QPoint(r.left() + 24, r.center().y()));
    }
    // Clicks the expander in front of a node.
    void clickExpander(const QString &key)
    {
        const QRect r = rectOf(key);
        ASSERT_TRUE(r.isValid()) << key.toStdString();
        QTest::mouseClick(viewport(), Qt::LeftButton, {},
                          QPoint(r.left() - tree->treeView()->indentation() / 2, r.center().y()));
    }
    bool isExpanded(const QString &key) const
    {
        QStandardItem *n = node(key);
        return n && tree->treeView()->isExpanded(n->index());
    }
    // Records every PathChange as (Path, PreviousPath).
    void recordPaths()
    {
        QObject::connect(tree.get(), &qvTree::PathChange, tree.get(),
                         [this](QString &p, QString &prev, int &) {
                             pathChanges.append({p, prev});
                         });
    }
    bool makeLink(const QString &windowsLink, const QString &windowsTarget)
    {
        return QFile::link(drives.host(windowsTarget), drives.host(windowsLink));
    }

    qvtest::TempDrives drives;
    qv::ScriptedDialog dialog;
    std::unique_ptr<qvTree> tree;
    QList<QStringList> pathChanges;
};
