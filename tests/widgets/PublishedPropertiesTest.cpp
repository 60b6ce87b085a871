#include <gtest/gtest.h>

#include <QMetaProperty>
#include <QVariant>
#include <optional>
#include <vector>

#include "widgets/FlatHint.h"
#include "widgets/FlatSpeedButton.h"
#include "widgets/FlatSpinEditInteger.h"
#include "widgets/SecretPanel.h"
#include "widgets/ShadowLabel.h"
#include "widgets/ThreadedTimer.h"

using namespace pausalo;

namespace {

// A published property: its value on a new component, and a value that a
// write through the meta-object must hand back (none where a write on its
// own has no effect to read back).
struct Published {
  const char* name;
  QVariant initial;
  std::optional<QVariant> written = std::nullopt;
};

// The value as the meta-object shows it: an enumeration by its key, so that
// an enumeration missing from the meta-object shows as a number.
QVariant Shown(const QMetaProperty& property, const QVariant& value) {
  if (!property.isEnumType()) return value;
  return QString::fromLatin1(property.enumerator().valueToKey(value.toInt()));
}

// Every property is listed by the component's own meta-object, reads its
// initial value through it, and hands back what is written through it.
void ExpectPublished(QObject& component, const char* className, const std::vector<Published>& properties) {
  const QMetaObject& meta = *component.metaObject();
  EXPECT_STREQ(meta.className(), className);
  for (const Published& expected : properties) {
    SCOPED_TRACE(expected.name);
    const int index = meta.indexOfProperty(expected.name);
    ASSERT_GE(index, 0) << "not published";
    const QMetaProperty property = meta.property(index);
    EXPECT_TRUE(property.isWritable());
    EXPECT_EQ(Shown(property, property.read(&component)), expected.initial);
    if (!expected.written) continue;
    EXPECT_TRUE(property.write(&component, *expected.written));
    EXPECT_EQ(Shown(property, property.read(&component)), *expected.written);
  }
}

QVariant Color(TColor color) { return QVariant::fromValue(color); }

}  // namespace

TEST(PublishedPropertiesTest, FlatSpeedButton) {
  TFlatSpeedButton button;
  ExpectPublished(button, "pausalo::TFlatSpeedButton",
                  {{"TransparentMode", "tmNone", "tmAlways"},
                   {"AdvColorFocused", 10, 20},
                   {"AdvColorDown", 10, 30},
                   {"AdvColorBorder", 50, 40},
                   {"NumGlyphs", 1, 2},
                   {"ColorDown", Color(0xC5D6D9), Color(0x010203)},
                   {"ColorBorder", Color(0x8396A0), Color(0x040506)},
                   {"ColorHighLight", Color(clWhite), Color(0x070809)},
                   {"ColorShadow", Color(clBlack), Color(0x0A0B0C)},
                   {"ColorFocused", Color(0xE1EAEB), Color(0x0D0E0F)},
                   {"GroupIndex", 0, 3},
                   {"AllowAllUp", false, true},
                   {"Layout", "blGlyphTop", "blGlyphRight"},
                   {"Spacing", 4, 7},
                   {"Margin", -1, 2},
                   {"ModalResult", 0, 1},
                   {"Caption", QString(), QString("&Go")},
                   {"Down", false},
                   {"UseAdvColors", false, true}});
}

TEST(PublishedPropertiesTest, FlatSpinEditWithTheFlatEditsColours) {
  TFlatSpinEditInteger edit;
  ExpectPublished(edit, "pausalo::TFlatSpinEditInteger",
                  {{"ColorFocused", Color(clWhite), Color(0x010203)},
                   {"ColorBorder", Color(0x8396A0), Color(0x040506)},
                   {"AdvColorFocused", 10, 20},
                   {"AdvColorBorder", 50, 40},
                   {"ParentColor", true, false},
                   {"ColorFlat", Color(0xE1EAEB), Color(0x070809)},
                   {"AutoSelect", true, false},
                   {"EditorEnabled", true, false},
                   {"Increment", 1, 5},
                   {"ReadOnly", false, true},
                   {"MaxValue", 0, 50},
                   {"MinValue", 0, 10},
                   {"Value", 0, 20},
                   {"UseAdvColors", false, true}});
}

TEST(PublishedPropertiesTest, ShadowLabel) {
  TShadowLabel label;
  ExpectPublished(label, "pausalo::TShadowLabel",
                  {{"Alignment", "taLeftJustify", "taCenter"},
                   {"AutoSize", true, false},
                   {"Layout", "tlTop", "tlBottom"},
                   {"ShadowColor", Color(clBtnHighlight), Color(0x010203)},
                   {"ShadowSize", 1, 4},
                   {"ShadowPos", "spLeftTop", "spRightBottom"},
                   {"WordWrap", false, true},
                   {"ShowAccelChar", true, false},
                   {"ShowFocus", false, true},
                   {"Transparent", false, true},
                   {"Caption", QString(), QString("Pausalo")}});
}

TEST(PublishedPropertiesTest, SecretPanel) {
  TSecretPanel panel;
  ExpectPublished(panel, "pausalo::TSecretPanel",
                  {{"Alignment", "taCenter", "taRightJustify"},
                   {"Lines", QStringList(), QStringList{"one", "two"}},
                   {"Cycled", false, true},
                   {"TextStyle", "bvNone", "bvRaised"},
                   {"ScrollDirection", "sdVertical", "sdHorizontal"},
                   {"GlyphLayout", "glGlyphLeft", "glGlyphTop"},
                   {"AsyncDrawing", true, false},
                   {"Interval", 30, 45},
                   {"BevelOuter", "bvLowered", "bvNone"},
                   {"Active", false}});
}

TEST(PublishedPropertiesTest, ThreadedTimerAndFlatHint) {
  TThreadedTimer timer;
  ExpectPublished(timer, "pausalo::TThreadedTimer",
                  {{"Enabled", true, false},
                   {"Interval", 1000, 250},
                   {"SyncEvent", true, false},
                   {"Threaded", true, false},
                   {"ThreadPriority", QVariant::fromValue(tpNormal)}});
  TFlatHint hint(nullptr, /*designing=*/true);
  ExpectPublished(hint, "pausalo::TFlatHint",
                  {{"ColorBackground", Color(clWhite), Color(0x010203)},
                   {"ColorBorder", Color(clBlack), Color(0x040506)},
                   {"ColorArrowBackground", Color(5493503), Color(0x070809)},
                   {"ColorArrow", Color(clBlack), Color(0x0A0B0C)},
                   {"MaxHintWidth", 200, 150}});
}
