// The NMEA log: the two buttons at one place on the Setup page and the end
// of the recording when the port closes. The file itself is logging/'s.
#include <QFile>
#include <QMetaObject>
#include <QPushButton>
#include <string>

#include "logging/NmeaLog.h"
#include "ui/ButtonPair.h"
#include "ui/Form.h"

void TMainForm::BtnLogClick() {
  if (!PortOpen()) {
    MessageBoxes->Show(this, QStringLiteral("Please Open Com port First"));
    return;
  }
  const std::optional<QString> chosen = SaveDialog->Run(this, SaveDialog1);
  if (!chosen) return;
  CloseLog();  // never two recordings at once
  std::string error;
  LogFile = vantrel::NmeaLog::Open(QFile::encodeName(*chosen).toStdString(), &error);
  if (!LogFile) {
    // Said plainly, and no "Logging ..." that would pretend to record.
    MessageBoxes->Show(this, QFile::decodeName(QByteArray::fromStdString(error)));
    return;
  }
  // A write error is found on the reader thread, which must not wait for a
  // box: the box is queued for the window, and dropped if the window is gone.
  LogFile->Attach(LogFileHook, [this](const std::string& message) {
    QMetaObject::invokeMethod(
        this,
        [this, text = QFile::decodeName(QByteArray::fromStdString(message))] {
          MessageBoxes->Show(this, text);
        },
        Qt::QueuedConnection);
  });
  vantrel::ShowInPlaceOf(BtnLogging, BtnLog);
}

void TMainForm::BtnLoggingClick() { CloseLog(); }

void TMainForm::CloseLog() {
  if (!LogFile) return;
  LogFile->Close();  // waits for an append in progress
  LogFile.reset();
  vantrel::ShowInPlaceOf(BtnLog, BtnLogging);
}
