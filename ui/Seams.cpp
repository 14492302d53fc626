#include <QFileDialog>
#include <QMessageBox>
#include <QPixmapCache>
#include <chrono>
#include <malloc.h>
#include <thread>

#include "ui/RealSeams.h"

namespace vantrel {

void RealMessageBoxes::Show(QWidget* parent, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, parent ? parent->windowTitle() : QString(), text,
                  QMessageBox::Ok, parent);
  box.exec();
}

std::optional<QString> RealSaveDialog::Run(QWidget* parent, SaveDialogSettings& settings) {
  const std::optional<QString> chosen = RunDialog(parent, settings);
  // The dialog's file model and icons leave megabytes of freed heap behind
  // that the allocator would keep for the rest of an all-day recording;
  // its icons would stay in the pixmap cache.
  QPixmapCache::clear();
  malloc_trim(0);
  return chosen;
}

std::optional<QString> RealSaveDialog::RunDialog(QWidget* parent, SaveDialogSettings& settings) {
  QFileDialog dialog(parent);
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  // An existing file is appended to, never replaced: asking would say otherwise.
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilters(settings.filters);
  if (settings.filterIndex >= 0 && settings.filterIndex < settings.filters.size())
    dialog.selectNameFilter(settings.filters[settings.filterIndex]);
  dialog.selectFile(settings.fileName);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
  // The dialog remembers the last choice, as the settings say.
  settings.fileName = dialog.selectedFiles().first();
  settings.filterIndex = static_cast<int>(settings.filters.indexOf(dialog.selectedNameFilter()));
  if (settings.filterIndex < 0) settings.filterIndex = 0;
  return settings.fileName;
}

// A plain sleep: events wait, exactly as the commands' pacing expects.
void RealPauses::Sleep(int milliseconds) {
  if (milliseconds > 0) std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
}

int64_t RealClock::NowMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace vantrel
