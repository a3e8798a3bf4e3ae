#pragma once
// Helpers the two converter windows share: listing the music folder and the other
// converter's navigation button.
#include <QString>
#include <QStringList>
#include <cstdint>

class Form;
class Label;
class QObject;
class QProgressBar;
class SSCommand;
class ListItem;
class ListView;
class QWidget;

// The names of the files of folder (no folders), in name order ignoring letter case.
// An empty folder name lists nothing; AppError 76 when the folder cannot be listed.
QStringList FolderFileNames(const QString& folder);

class FeatureForm;
// Gives a converter window the navigation button of the other converter, between the
// encoder and the playlist buttons, and lays the row out again.
void AddConverterButton(FeatureForm* form, const QString& caption, const QString& tip);

// A label named name with text, placed at x, y with size w, h in parent.
Label* MakeLabel(QWidget* parent, const char* name, const QString& text, int x, int y, int w, int h);
// Sets w's font bold.
void SetBold(QWidget* w);

// The caption of the label that shows the music folder: its path without the final separator.
QString MusicFolderCaption();

// A converter window's unload: refused with a message while its run still goes (cancel is set
// to 1), otherwise the closing rule. module names the window in the error log.
void ConverterUnload(const QString& module, bool running, int& cancel);

// Shows the settings window on its tab; module names the window in the error log.
void ShowSettingsTab(const QString& module, int tab);

// The end of a converter window's load: skin, centred on the screen, no row of list picked.
// Each step that fails is logged under the window's module and "Form_Load".
void FinishConverterLoad(Form* window, ListView* list, const QString& module);
// The row a click on a converter's list picked (its current row); nullptr for an empty list.
ListItem* ClickedRow(ListView* list);
// A picked row whose file the music folder already holds as base + "." + kind ("WAV", "MP3"):
// the user hears so, the row is unpicked and true returned.
bool RefuseExistingTwin(ListItem* row, const QString& base, const QString& kind);

// The files a converter's Convert run takes: the number of selected rows of list. With none
// selected the user is asked to select kind ("WAV", "MP3") files, and 0 is returned.
int16_t SelectedForConvert(const QString& module, const ListView* list, const QString& kind);

// Whether the run may write kind ("WAV" or "MP3") files into the music folder: not onto a CD
// drive and not a folder no file can be made in (a message says so, naming the folder). A drive
// type that cannot be determined is logged and allowed. button: the caption of the window's
// button that picks another folder.
bool MusicFolderWritable(const QString& module, const QString& kind, const QString& button);

// The controls the two conversion progress windows share, top to bottom: "Converting " and the
// first file's name, the "Processing n of m" label, "To" and the second file's name, the bar,
// its percent and the Abort button.
struct ProgressControls {
    Label* Label11;
    Label* first;
    Label* lblProcess;
    Label* Label1;
    Label* second;
    Label* Label8;
    QProgressBar* RipProgress;
    Label* nCompleted;
    SSCommand* AbortButton;
};
class Job;
// Shows job's steps in a progress window's controls: "Processing n of m" in process, and the
// percent in percentLabel ("n%") and bar; the connections live as long as receiver.
void ShowJobSteps(Job& job, QObject* receiver, Label* process, Label* percentLabel, QProgressBar* bar);

// Captions window with title, fixes its size and lays the progress controls out in it; the
// two file name labels are named firstName and secondName.
ProgressControls BuildProgressControls(Form* window, const QString& title, const char* firstName,
                                       const char* secondName);
