// Resources of the framework's dialog tests; far from the program's ids.
#pragma once

#define IDD_TEST_FORM       9000
#define IDD_TEST_VISIBLE    9001
#define IDD_TEST_MISSING    9099

#define IDC_TEST_NUMBER     9010
#define IDC_TEST_TEXT       9011
#define IDC_TEST_CHECK      9012
#define IDC_TEST_CHOICE     9013
#define IDC_TEST_LIST       9014
#define IDC_TEST_BUTTON     9015
