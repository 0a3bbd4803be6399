#pragma once
// What documents and commands need from the running application: the
// profile, the prompter, the start-up settings, the timers, the marker and
// line-scan links, the program folder, the road by which a command hands a
// new document to the application, and the services of the layers above the
// framework (the subject database, the results tables, the camera sources,
// the Doppler board), which it keeps by type without naming them. The workstation and the command-line tool each build one
// and pass it down; tests build their own. Nothing in it is process-wide.
//
// A service that was never given is a programming error, not a silent
// default: asking for it throws, so that a test which forgot its prompter
// fails at the question instead of answering "yes" behind the test's back.
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <typeindex>
#include <vector>

class ProfileStore;
namespace ordavia {

class DocTemplate;
class Document;
class LineScanLink;
class MarkerLink;
class Prompter;
class TimerFactory;
struct StartupSettings;

// What every chart of a run shares: the two chart flags (archived with each
// chart type's settings, so the last chart loaded or saved sets them) and
// the counter that labels new markers.
struct ChartRunState {
    int32_t editNewMarks = 0;
    int32_t linkYAxes = 1;
    int markerCounter = 0;
};

class MissingService : public std::logic_error {
public:
    explicit MissingService(const std::string& what) : std::logic_error("no " + what + " in the application services") {}
};

class AppServices {
public:
    ProfileStore* profileStore = nullptr;
    Prompter* prompterPtr = nullptr;
    StartupSettings* startupSettings = nullptr;
    // Playback, live frames and long passes run on these timers.
    TimerFactory* timerFactory = nullptr;
    // Where chart image markers post their requests; null: nobody listens,
    // and no image marker is made.
    MarkerLink* markerLink = nullptr;
    // Where video views report frames and line-scan commands (the live line
    // scan); null: the video views' line-scan commands stay disabled.
    LineScanLink* lineScanLink = nullptr;
    ChartRunState charts;
    // The image views' tool mode: one for the whole workstation, as its
    // tool menus and toolbar show it.
    int imageToolMode = 0;
    // The folder of the running program, with its trailing separator
    // (grid drawings, help, device files live there). Empty: none known.
    std::string programFolder;

    // Takes over a document a command made (a duplicate, a results table, a
    // chart) and gives it a window; returns it as the application holds it.
    // Without an opener the services keep the document until they end.
    std::function<Document*(std::unique_ptr<Document>)> opener;
    // The registered template of a document class, or null.
    std::function<DocTemplate*(const char* docClass)> templateFinder;
    // The result text a document files under its examination, from what it
    // holds (dimensions, velocities), given the text it has: documents whose
    // own commands set no result text still leave a useful row. Without it
    // the document's own text is filed.
    std::function<std::string(const Document& doc, const std::string& current)> resultText;

    AppServices();
    virtual ~AppServices();
    AppServices(const AppServices&) = delete;
    AppServices& operator=(const AppServices&) = delete;

    ProfileStore& profile() const { return required(profileStore, "profile"); }
    Prompter& prompter() const { return required(prompterPtr, "prompter"); }
    StartupSettings& settings() const { return required(startupSettings, "start-up settings"); }
    TimerFactory& timers() const { return required(timerFactory, "timer factory"); }

    // A service of a layer above the framework, kept by its type: each such
    // class finds itself with a static of() (CSubjectDatabase::of(services)).
    // The type is always written out, so that a derived object is filed
    // under the type its users ask for. Null takes the service away.
    template <class T>
    void provide(std::type_identity_t<T>* service) {
        if (service)
            upper_[std::type_index(typeid(T))] = service;
        else
            upper_.erase(std::type_index(typeid(T)));
    }
    // The service of type T, or null when the run has none.
    template <class T>
    T* find() const {
        const auto it = upper_.find(std::type_index(typeid(T)));
        return it == upper_.end() ? nullptr : static_cast<T*>(it->second);
    }
    // The service of type T; the run not having one is a programming error.
    template <class T>
    T& need(const char* what) const {
        return required(find<T>(), what);
    }

    // Hands a new document to the application (see opener).
    Document* openDocument(std::unique_ptr<Document> doc);
    // Documents the run keeps open and reuses by name (a chart each new
    // result refills rather than a new window each time); one that closes
    // is forgotten. Null when none is kept under the name.
    Document* keptDocument(const std::string& name) const;
    void keepDocument(const std::string& name, Document* doc);
    DocTemplate* findTemplate(const char* docClass) const { return templateFinder ? templateFinder(docClass) : nullptr; }

    // A value a command keeps for the rest of the run (a dialog's last
    // entries), made with its defaults at the first use. Kept by its type,
    // so each command declares a type of its own for what it keeps.
    template <class T>
    T& runValue() {
        std::shared_ptr<void>& slot = runValues_[std::type_index(typeid(T))];
        if (!slot) slot = std::make_shared<T>();
        return *static_cast<T*>(slot.get());
    }

private:
    std::map<std::type_index, std::shared_ptr<void>> runValues_;
    std::map<std::type_index, void*> upper_;
    template <class T>
    static T& required(T* p, const char* what) {
        if (!p) throw MissingService(what);
        return *p;
    }
    std::vector<std::unique_ptr<Document>> kept_;
    class Reused;
    std::map<std::string, std::unique_ptr<Reused>> reused_;
};

}  // namespace ordavia
