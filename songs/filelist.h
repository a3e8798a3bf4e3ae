#pragma once
#include <QListWidget>
#include <QPixmap>
#include <QString>
#include <QStringList>

class Label;
class PictureBox;

// A list of the files of one folder that match a pattern such as "*.bmp;*.jpg" (letter case
// ignored), sorted by name; hidden files are left out.
class FileListBox : public QListWidget {
    Q_OBJECT
public:
    explicit FileListBox(QWidget* parent = nullptr) : QListWidget(parent) {}
    void setPattern(const QString& pattern) { m_pattern = pattern; refresh(); }
    const QString& pattern() const { return m_pattern; }
    // Lists folder (ending in "/").
    void setPath(const QString& folder) { m_path = folder; refresh(); }
    const QString& path() const { return m_path; }
    // The file names listed, in order.
    QStringList fileNames() const;
    // The name of the current file, or an empty text.
    QString currentFileName() const;

private:
    void refresh();
    QString m_path;
    QString m_pattern;
};

// A picture file as a pixmap: throws AppError 53 when the file does not exist and 481
// when it cannot be read as a picture. An empty path gives no picture.
QPixmap LoadPicture(const QString& path);

// Shows the current file of list, a picture in the default music folder, as the chosen cover:
// its name in name and the picture in picture. module names the window in the error log.
void ShowChosenCover(const QString& module, const FileListBox* list, Label* name, PictureBox* picture);
