// The status page's labels refreshed from a receiver record.
#include <QAccessible>
#include <QLabel>
#include <QLocale>
#include <cstring>
#include <gtest/gtest.h>

#include "tests/ui/RefreshFixture.h"

namespace {

using namespace vantrel::testing;

class StatusLabelsTest : public RefreshFixture {
 protected:
  // A 3D DGPS fix at 25.5 S; every label shows a value of its own.
  void RefreshWithAFix() {
    record.UtcYear = 2007, record.UtcMonth = 4, record.UtcDay = 27;
    record.UtcHour = 8, record.UtcMinute = 5, record.UtcSecond = 3.25f;
    record.Latitude = -25.5f, record.Longitude = 121.5654321f, record.Altitude = -12.34f;
    record.FixType = 2, record.FixQuality = 2, record.SpeedKmh = 1.8532f, record.Course = 359.96f;
    record.Pdop = 1.25f, record.Hdop = 0.9f, record.Vdop = 99.99f;
    form.RefreshStatus(record);
  }
};

TEST_F(StatusLabelsTest, ZeroedRecordShowsItsStartTexts) {
  QLocale::setDefault(QLocale::c());
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelDate->text(), "0/0/0");
  EXPECT_EQ(form.LabelTime->text(), "0:0:0.000");
  EXPECT_EQ(form.LabelLat->text(), "S   0.00000");
  EXPECT_EQ(form.LabelLon->text(), "W 0.00000");
  EXPECT_EQ(form.LabelAlt->text(), "0.0");
  EXPECT_EQ(form.LabelFix->text(), "NoFix ");
  EXPECT_EQ(FixColour(), kRed);
  for (QLabel* label : {form.LabelSpeed, form.LabelTrack, form.LabelPDOP, form.LabelHDOP, form.LabelVDOP})
    EXPECT_EQ(label->text(), "0.0");
  EXPECT_FALSE(form.StringGrid1->isEnabled());
  EXPECT_EQ(form.ChartSNR->Count(), 32);  // placeholders stay
}

TEST_F(StatusLabelsTest, LabelsFollowTheRecord) {
  QLocale::setDefault(QLocale::c());
  RefreshWithAFix();
  EXPECT_EQ(form.LabelDate->text(), "2007/4/27");
  EXPECT_EQ(form.LabelTime->text(), "8:5:3.250");
  EXPECT_EQ(form.LabelLat->text(), "S   25.50000");
  EXPECT_EQ(form.LabelLon->text(), "E 121.56540");
  EXPECT_EQ(form.LabelAlt->text(), "-12.3");
  EXPECT_EQ(form.LabelFix->text(), "3D DGPS");
  EXPECT_EQ(FixColour(), kBlack);
  EXPECT_EQ(form.LabelSpeed->text(), "1.9");
  EXPECT_EQ(form.LabelTrack->text(), "360.0");
  EXPECT_EQ(form.LabelPDOP->text(), "1.3");
  EXPECT_EQ(form.LabelHDOP->text(), "0.9");
  EXPECT_EQ(form.LabelVDOP->text(), "100.0");
  record.Latitude = 23.5f;
  record.Longitude = 0;
  record.FixType = 1, record.FixQuality = 0;
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelLat->text(), "N   23.50000");
  EXPECT_EQ(form.LabelLon->text(), "W 0.00000");
  EXPECT_EQ(form.LabelFix->text(), "2D ");
  EXPECT_EQ(FixColour(), kBlack);
}

TEST_F(StatusLabelsTest, ClearStatusLabelsKeepsTheFixColour) {
  form.RefreshStatus(record);
  form.ClearStatusLabels();
  for (QLabel* label : {form.LabelDate, form.LabelTime, form.LabelLat, form.LabelLon, form.LabelAlt,
                        form.LabelFix, form.LabelSpeed, form.LabelTrack, form.LabelPDOP, form.LabelHDOP,
                        form.LabelVDOP})
    EXPECT_TRUE(label->text().isEmpty());
  EXPECT_EQ(FixColour(), kRed);
}

// A label is formatted again only when its values change, but what it shows
// is always what formatting the record now would give.
TEST_F(StatusLabelsTest, UnchangedValuesKeepTheirTextsAndAClearOrLocaleChangeRewritesThem) {
  const QLocale saved;
  QLocale::setDefault(QLocale::c());
  record.UtcYear = 2007, record.UtcMonth = 4, record.UtcDay = 27;
  record.UtcHour = 8, record.UtcMinute = 5, record.UtcSecond = 3.25f;
  record.Latitude = -25.5f, record.Altitude = -12.34f, record.FixType = 2, record.FixQuality = 2;
  form.RefreshStatus(record);
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelTime->text(), "8:5:3.250");
  form.ClearStatusLabels();
  form.RefreshStatus(record);  // the same values after a clear
  EXPECT_EQ(form.LabelDate->text(), "2007/4/27");
  EXPECT_EQ(form.LabelTime->text(), "8:5:3.250");
  EXPECT_EQ(form.LabelLat->text(), "S   25.50000");
  EXPECT_EQ(form.LabelAlt->text(), "-12.3");
  EXPECT_EQ(form.LabelFix->text(), "3D DGPS");
  EXPECT_EQ(FixColour(), kBlack);
  QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelTime->text(), "8:5:3,250");
  EXPECT_EQ(form.LabelLat->text(), "S   25,50000");
  EXPECT_EQ(form.LabelVDOP->text(), "0,0");
  QLocale::setDefault(saved);
  // Only the minute changing still rewrites the whole time.
  record.UtcMinute = 6;
  QLocale::setDefault(QLocale::c());
  form.RefreshStatus(record);
  EXPECT_EQ(form.LabelTime->text(), "8:6:3.250");
  QLocale::setDefault(saved);
}

// A screen reader gets each value named after its caption and labelled by
// it, and reads the value as the label's text (and description and value).
TEST_F(StatusLabelsTest, ScreenReaderReadsEachValueUnderItsCaption) {
  QLocale::setDefault(QLocale::c());
  RefreshWithAFix();
  struct Case {
    QLabel* label;
    const char* name;
    const char* caption;
    const char* value;
  };
  const Case cases[] = {
      {form.LabelDate, "Date", "Date  : ", "2007/4/27"},
      {form.LabelTime, "Time", "Time  : ", "8:5:3.250"},
      {form.LabelLat, "Lat", "Lat    : ", "S   25.50000"},
      {form.LabelLon, "Lon", "Lon   : ", "E 121.56540"},
      {form.LabelAlt, "Alt", "Alt     : ", "-12.3"},
      {form.LabelFix, "Fix Type", "Fix Type : ", "3D DGPS"},
      {form.LabelSpeed, "Spd (km/hr)", "Spd (km/hr) : ", "1.9"},
      {form.LabelTrack, "Track", "Track  : ", "360.0"},
      {form.LabelPDOP, "PDOP", "PDOP : ", "1.3"},
      {form.LabelHDOP, "HDOP", "HDOP : ", "0.9"},
      {form.LabelVDOP, "VDOP", "VDOP : ", "100.0"},
  };
  for (const Case& c : cases) {
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(c.label);
    ASSERT_NE(reader, nullptr) << c.name;
    EXPECT_EQ(reader->role(), QAccessible::StaticText);
    EXPECT_EQ(reader->text(QAccessible::Name), c.name);
    EXPECT_EQ(reader->text(QAccessible::Description), c.value) << c.name;
    EXPECT_EQ(reader->text(QAccessible::Value), c.value) << c.name;
    QAccessibleTextInterface* text = reader->textInterface();
    ASSERT_NE(text, nullptr) << c.name;
    EXPECT_EQ(text->characterCount(), int(strlen(c.value))) << c.name;
    EXPECT_EQ(text->text(0, text->characterCount()), c.value) << c.name;
    const auto labels = reader->relations(QAccessible::Label);
    ASSERT_EQ(labels.size(), 1) << c.name;
    EXPECT_EQ(labels[0].first->text(QAccessible::Name), c.caption) << c.name;
  }

  // What is read is the value shown now.
  QAccessibleTextInterface* lat = QAccessible::queryAccessibleInterface(form.LabelLat)->textInterface();
  record.Latitude = 23.5f;
  form.RefreshStatus(record);
  EXPECT_EQ(lat->text(0, lat->characterCount()), "N   23.50000");
  int start = -1, end = -1;
  EXPECT_EQ(lat->textAtOffset(0, QAccessible::LineBoundary, &start, &end), "N   23.50000");
  EXPECT_EQ(end, 12);
  form.ClearStatusLabels();
  EXPECT_EQ(lat->characterCount(), 0);
  EXPECT_TRUE(QAccessible::queryAccessibleInterface(form.LabelLat)->text(QAccessible::Description).isEmpty());
}

}  // namespace
