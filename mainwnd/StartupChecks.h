#pragma once

class CFeedbackInformation;

// Ends the process, after telling the user why, when the feedback library
// can't start or a newer version of the tool is out.
void RunStartupChecks(CFeedbackInformation& feedback, float scale);
