/* Identifiers shared by the sample program and its two resource scripts. */
#pragma once

#define IDR_MAINMENU 100
#define IDD_ABOUT 200
#define IDC_ABOUT_TEXT 201
#define IDD_GREETING 300
#define IDC_NAME 301
#define IDC_NAME_LABEL 302

#define IDM_GREETING 1001
#define IDM_EXIT 1002
#define IDM_ABOUT 1003

#define IDS_TITLE 1
#define IDS_WELCOME 2
#define IDS_HELLO 3
