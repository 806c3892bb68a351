#pragma once
#include <string>

// The usage licence agreement shown by the agreement overlay.
std::wstring AgreementText();
