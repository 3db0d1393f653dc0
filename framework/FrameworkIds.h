// Resource ids the framework looks for in the program's resources.
#pragma once

// The application's title, used for the framework's message boxes.
#define AFX_IDS_APP_TITLE 0xE000
