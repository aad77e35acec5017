#include "platform/system/ChangeWatch.h"
#include "support/ErrorOf.h"
#include "support/TempTree.h"

#include <QCoreApplication>
#include <QMimeDatabase>
#include <gtest/gtest.h>

using namespace qv;
using qvtest::errorOf;

namespace
{
// The kernel queues the note during the change itself: the next rounds of the event
// loop deliver it, without waiting for anything.
bool changedWithinRounds(ChangeWatch &w, int rounds)
{
    for (int i = 0; i < rounds; ++i) {
        QCoreApplication::processEvents();
        if (w.takeChanged())
            return true;
    }
    return false;
}
} // namespace

TEST(ChangeWatch, RaisesItsFlagOnceForAChangeAndOnlyThen)
{
    qvtest::TempDrives drives("C");
    drives.makeDir("C:\\Mappe");
    ChangeWatch w("C:\\mappe"); // resolved without regard to case
    ASSERT_TRUE(w.valid());
    QCoreApplication::processEvents(); // what the watch has to say so far
    EXPECT_FALSE(w.takeChanged());
    drives.writeFile("C:\\Mappe\\ny.txt", "x");
    EXPECT_TRUE(changedWithinRounds(w, 3));
    EXPECT_FALSE(w.takeChanged());
    EXPECT_FALSE(ChangeWatch("C:\\Finnes ikke").valid());
}

TEST(ChangeWatch, TrashOrDeleteRemovesFilesAndWholeFolders)
{
    qvtest::TempDrives drives("C");
    drives.writeFile("C:\\Mappe\\Under\\a.txt", "a");
    drives.writeFile("C:\\b.txt", "b");
    EXPECT_TRUE(moveToTrash("C:\\b.txt").ok());
    EXPECT_TRUE(moveToTrash("C:\\Mappe").ok());
    EXPECT_FALSE(drives.exists("C:\\b.txt"));
    EXPECT_FALSE(drives.exists("C:\\Mappe"));
    EXPECT_EQ(errorOf(moveToTrash("C:\\Mappe")), 53);
}

TEST(ChangeWatch, TypeNames)
{
    EXPECT_EQ(typeName("C:\\Data", true), "Filmappe");
    // A known type is named as the MIME database names it, not by its extension.
    EXPECT_EQ(typeName("C:\\a.txt", false), QMimeDatabase().mimeTypeForName("text/plain").comment());
    EXPECT_EQ(typeName("C:\\a.qvzz", false), "QVZZ fil");
    EXPECT_EQ(typeName("C:\\qvukjentnavn", false), "Fil");
}
