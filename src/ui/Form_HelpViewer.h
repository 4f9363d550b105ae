#pragma once
// The help viewer: a window of its own, not modal, that shows the topics of the help file with
// a topic list, links between topics and back navigation.

#include "HelpFile.h"

#include <QWidget>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class FormHelpViewer;
}
class QUrl;

class THelpViewer : public QWidget {
    Q_OBJECT
public:
    // The one viewer of the program, created at first use and kept until the program quits.
    static THelpViewer& Instance();
    // True once Instance() has created the viewer (and it has not been destroyed).
    static bool Exists();

    explicit THelpViewer(QWidget* parent = nullptr);
    ~THelpViewer() override;

    // Load the help file (again) and show its contents, or the topic with this context number
    // (the contents when there is none). A file that cannot be read is reported with an error
    // box and the viewer stays as it was. Both show and raise the window.
    void ShowContents(const std::string& helpFilePath);
    void ShowTopic(const std::string& helpFilePath, int contextNumber);

    // The context number of the topic shown, -1 before one is shown.
    int CurrentTopic() const { return FCurrent; }
    const THelpFile& HelpFile() const { return FFile; }

    // Navigation inside the loaded file, as the links and buttons use it.
    void GoToTopic(int contextNumber);
    void GoBack();
    bool CanGoBack() const { return !FHistory.empty(); }

private:
    bool LoadFile(const std::string& helpFilePath);
    void FillTopicList();
    void Present(const THelpTopic& topic);
    void ShowWindow();
    void TopicListRowChanged(int row);
    void TopicViewAnchorClicked(const QUrl& url);

    std::unique_ptr<Ui::FormHelpViewer> FUi;
    THelpFile FFile;
    std::string FPath;
    int FCurrent = -1;
    std::vector<int> FHistory; // topics shown before the current one
};
