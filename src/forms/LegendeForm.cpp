#include "forms/LegendeForm.h"

#include "state/FormState.h"

namespace tavik {

const std::array<LegendeForm::Row, 7> LegendeForm::kRows = {{
    {kIconRejected, "Die Verbindung wurde vom Server abgewiesen"},
    {kIconRequestStarted, "Verbindung zu Server gestartet"},
    {kIconConnected, "Verbindung hergestellt"},
    {kIconConnectionTest, "Verbindungstest"},
    {kIconOffline, "Offline"},
    {kIconInformation, "Es liegt eine neue Information vor"},
    {kIconUpdateOffered, "Neue Updates vorhanden"},
}};

void LegendeForm::Form_Load() {
    view_.setCaption("Legende in der Taskbar");
    for (const Row& row : kRows) view_.addRow(row.state, row.text);
}

}  // namespace tavik
