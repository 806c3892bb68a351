#include "mainwnd/AboutDlg.h"

#include "res/resource.h"

CAboutDlg::CAboutDlg() : CDialogEx(IDD_ABOUTBOX) {}
