// Commands that need nothing of the window: the Help menu, the statistics, the server address.
#pragma once

#include <string>

void ShowStatistic();
void HelpContents();
void HelpWhatsNew();
void HelpSurvey();
void HelpSubmitSuggestion();
// Asks for the server address through the input box and keeps it on OK.
void ChangeServerAddress();
// The pages the Help menu opens in the browser.
std::string SurveyAddress();
std::string SuggestionAddress();
