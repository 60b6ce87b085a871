#include <gtest/gtest.h>

#include <QTemporaryFile>

#include "TestIcons.h"
#include "platform/Exception.h"
#include "widgets/IconList.h"

using namespace pausalo;
using pausalo::testing::IconFile;
using pausalo::testing::LoadIcon;

namespace {

class IconListTest : public ::testing::Test {
 protected:
  IconListTest() {
    LoadIcon(red, Qt::red);
    LoadIcon(green, Qt::green);
    LoadIcon(blue, Qt::blue);
    list.OnChange = [this] { ++changes; };
  }
  // The list's entries as their icon files, to compare orders.
  std::vector<QByteArray> Entries() const {
    std::vector<QByteArray> entries;
    for (int i = 0; i < list.Count(); ++i) entries.push_back(list.Icon(i).Data());
    return entries;
  }

  TIcon red, green, blue, empty;
  TIconList list;
  int changes = 0;
};

}  // namespace

TEST_F(IconListTest, EditsKeepOwnedCopiesInTheRightOrder) {
  list.Add(red);
  list.Add(green);
  list.Insert(0, blue);
  EXPECT_EQ(Entries(), (std::vector{blue.Data(), red.Data(), green.Data()}));
  list.Insert(3, empty);  // at Count: appended
  EXPECT_TRUE(list.Icon(3).Empty());
  list.Delete(3);
  EXPECT_NE(&list.Icon(0), &blue) << "the list holds a copy";

  list.Move(0, 2);
  EXPECT_EQ(Entries(), (std::vector{red.Data(), green.Data(), blue.Data()}));
  list.Exchange(0, 1);
  EXPECT_EQ(Entries(), (std::vector{green.Data(), red.Data(), blue.Data()}));
  list.Put(2, empty);
  EXPECT_TRUE(list.Icon(2).Empty());
  EXPECT_EQ(list.IndexOf(&list.Icon(1)), 1);
  EXPECT_EQ(list.IndexOf(&red), -1);
  list.Delete(0);
  EXPECT_EQ(list.Count(), 2);
  EXPECT_EQ(changes, 9);
}

TEST_F(IconListTest, IconsLoadFromFilesAndAMissingFileChangesNothing) {
  const QByteArray iconFile = IconFile(Qt::yellow);
  QTemporaryFile file;
  ASSERT_TRUE(file.open());
  file.write(iconFile);
  file.close();
  EXPECT_EQ(list.AddFromFile(file.fileName()), 0);
  EXPECT_EQ(list.Icon(0).Data(), iconFile);
  EXPECT_THROW(list.AddFromFile(file.fileName() + ".missing"), Exception);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(changes, 1);
}

TEST_F(IconListTest, IndexesOutOfBoundsThrowAndChangeNothing) {
  list.Add(red);
  changes = 0;
  EXPECT_THROW(list.Icon(1), Exception);
  EXPECT_THROW(list.Delete(-1), Exception);
  EXPECT_THROW(list.Insert(2, green), Exception);
  EXPECT_THROW(list.Move(0, 1), Exception);
  EXPECT_THROW(list.Exchange(0, 5), Exception);
  EXPECT_EQ(list.Count(), 1);
  EXPECT_EQ(changes, 0);
}

TEST_F(IconListTest, AnUpdateRaisesOneChangeAtItsEndAndUpdatesNest) {
  list.BeginUpdate();
  list.BeginUpdate();
  list.Add(red);
  list.Add(green);
  list.Clear();
  list.EndUpdate();
  EXPECT_EQ(changes, 0);
  list.EndUpdate();
  EXPECT_EQ(changes, 1);

  // An end without a beginning changes nothing, and changes go on raising.
  list.EndUpdate();
  EXPECT_EQ(changes, 1);
  list.Add(red);
  EXPECT_EQ(changes, 2);
  list.BeginUpdate();
  list.Add(blue);
  list.EndUpdate();
  EXPECT_EQ(changes, 3);
}

TEST_F(IconListTest, StoredFormRoundTripsIncludingEmptyEntries) {
  list.Add(red);
  list.Add(empty);
  list.Add(blue);
  const QByteArray stored = list.WriteData();
  EXPECT_EQ(stored.size(), 4 + 4 + red.Data().size() + 4 + 4 + blue.Data().size());

  TIconList read;
  read.ReadData(stored);
  ASSERT_EQ(read.Count(), 3);
  EXPECT_EQ(read.Icon(0).Data(), red.Data());
  EXPECT_TRUE(read.Icon(1).Empty());
  EXPECT_EQ(read.Icon(2).Data(), blue.Data());
  EXPECT_FALSE(read.Icon(2).Image().isNull());
  EXPECT_EQ(read.WriteData(), stored);
}

TEST_F(IconListTest, TruncatedOrCorruptStoredFormsAreRefusedAndChangeNothing) {
  list.Add(red);
  list.Add(blue);
  const QByteArray stored = list.WriteData();

  TIconList target;
  target.Add(green);
  int targetChanges = 0;
  target.OnChange = [&] { ++targetChanges; };
  const auto expectRefused = [&](const QByteArray& bad) {
    EXPECT_THROW(target.ReadData(bad), Exception);
    ASSERT_EQ(target.Count(), 1);
    EXPECT_EQ(target.Icon(0).Data(), green.Data());
  };

  for (const int cut : {0, 2, 6, 10, static_cast<int>(stored.size()) - 1}) expectRefused(stored.left(cut));
  QByteArray hugeSize = stored;
  hugeSize[4] = '\xFF';
  hugeSize[7] = '\x7F';
  expectRefused(hugeSize);
  QByteArray negativeCount = stored;
  negativeCount[3] = '\x80';
  expectRefused(negativeCount);
  QByteArray notAnIcon = stored;
  for (int i = 8; i < 16; ++i) notAnIcon[i] = 'x';
  expectRefused(notAnIcon);
  expectRefused(stored + QByteArray("extra"));
  EXPECT_EQ(targetChanges, 0);

  try {
    target.ReadData(stored.left(10));
  } catch (const Exception& error) {
    EXPECT_STREQ(error.what(), "The stored icon list cannot be read: it is truncated.");
  }
}
