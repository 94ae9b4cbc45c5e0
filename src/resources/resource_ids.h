// Resource ids: dialogs, controls, menus, icons and string-table texts (usable from C++ and .rc).
#ifndef DIALTICK_RESOURCE_IDS_H
#define DIALTICK_RESOURCE_IDS_H

// The table is kept aligned by hand.
// clang-format off

// Icons and cursor.
#define IDI_PROGRAM                              1114
#define IDI_PROGRAM_ALT                          1129
#define IDC_HAND_CURSOR                          1132

// Menus.
#define IDM_TRAY_MENU                            1116

// Dialog templates.
#define IDD_ABOUT                                1117
#define IDD_RUN_ITEM                             1118
#define IDD_RUN_PAGE                             1119
#define IDD_CONNECTIONS_PAGE                     1121
#define IDD_TIMER_WINDOW                         1122
#define IDD_MESSAGE_BOX                          1123
#define IDD_SOUNDS_PAGE                          1124
#define IDD_DISPLAY_PAGE                         1125
#define IDD_SETTINGS_WINDOW                      1134

// Settings window (dialog 1134).
#define IDC_SETTINGS_TABS                        1135

// Message box (dialog 1123).
#define IDC_MSGBOX_ICON                          179
#define IDC_MSGBOX_TEXT                          180
#define IDC_MSGBOX_BUTTON1                       181
#define IDC_MSGBOX_BUTTON2                       182
#define IDC_MSGBOX_BUTTON3                       183

// The version block.
#define DT_VERSION_MAJOR 1
#define DT_VERSION_MINOR 0
#define DT_VERSION_BUILD 0
#define DT_VERSION_TEXT "1.0.0"

// String table.
#define IDS_NO_SYSTEM_FOLDER                     2000
#define IDS_REMOVE_RUN_ITEMS                     2001
#define IDS_SHELL_VERSION_UNREADABLE             2002
#define IDS_ABOUT                                2003
#define IDS_SHELL_TOO_OLD                        2004
#define IDS_PROGRAM_ERROR                        2005
#define IDS_COMCTL_VERSION_UNREADABLE            2006
#define IDS_SETTINGS                             2007
#define IDS_COMCTL_TOO_OLD                       2008
#define IDS_DISCONNECTION_SOUND                  2009
#define IDS_WARNING_TIME_SOUND                   2010
#define IDS_CANNOT_OPEN_SETTINGS                 2011
#define IDS_LOAD_CONFIG_FAILED                   2012
#define IDS_ALL_FILES                            2013
#define IDS_S_SELECT_S_FILE                      2014
#define IDS_SPECIFY_NUMBER_TIMES_BEEP            2015
#define IDS_SPECIFY_BEEP_SOUND_FREQUENCY         2016
#define IDS_UNABLE_OPEN_FILE                     2017
#define IDS_SPECIFIED_FILE_NOT_VALID             2018
#define IDS_SELECT_FILE_PLAYED                   2019
#define IDS_TIP_CONNECTED_TWO_LINES              2020
#define IDS_TIP_CONNECTED_ONE_LINE               2021
#define IDS_NEW_CURRENT_TIME                     2022
#define IDS_TIP_NOT_CONNECTED_TWO_LINES          2023
#define IDS_TIP_NOT_CONNECTED_ONE_LINE           2024
#define IDS_HIDE_TIMER                           2025
#define IDS_CLOSE_CONNECTION_S                   2026
#define IDS_CLOSE_S                              2027
#define IDS_S_MODIFY_RUN_ITEM                    2028
#define IDS_RESET_OCCURRED_UPDATE                2029
#define IDS_S_AUTOMATIC_RESET                    2030
#define IDS_RESET_OCCURRED_PRESS_UPDATE          2031
#define IDS_EXECUTABLE_FILES_EXE_COM             2032
#define IDS_S_CONNECTION_FILE_PATH               2033
#define IDS_S_DISCONNECTION_FILE_PATH            2034
#define IDS_BAD_INI_PARAMETER                    2035
#define IDS_PLAY_FILE_S_FAILED                   2036
#define IDS_S_REMOVE                             2038
#define IDS_RAS_ERROR                            2039
#define IDS_DISCARD_UNSAVED_CHANGES              2040
#define IDS_NEXT_RESET                           2041
#define IDS_S_CONNECTION_FOLDER                  2042
#define IDS_SELECT_INITIAL_FOLDER_CONNECTION     2043
#define IDS_S_DISCONNECTION_FOLDER               2044
#define IDS_SELECT_INITIAL_FOLDER_DISCONNECTION  2045
#define IDS_UNABLE_RETRIEVE_FOLDER_INFORMATION   2046
#define IDS_OUT_OF_MEMORY                        2047
#define IDS_S_SETTINGS                           2048
#define IDS_WHEN_CONNECTION_LOST                 2049
#define IDS_BROWSE                               2053
#define IDS_TEST_SOUND                           2055
#define IDS_STOP_SOUND                           2057
#define IDS_WHEN_WARNING_TIME_REACHED            2058
#define IDS_CANCEL                               2061
#define IDS_SAVE_CONFIG_FAILED                   2063
#define IDS_S_ADD_RUN_ITEM                       2064
#define IDS_TITLE                                2065
#define IDS_CONNECTION                           2066
#define IDS_TEST_CONNECTION_SETTINGS             2070
#define IDS_DISCONNECTION                        2071
#define IDS_TEST_DISCONNECTION_SETTINGS          2072
#define IDS_INCORRECT_RASENTRYNAME_STRUCTURE_SIZE 2074
#define IDS_HELP                                 2082
#define IDS_MULTIPLE_CONNECTIONS                 2083
#define IDS_CURRENT_TIME                         2105
#define IDS_WARNING_TIME                         2108
#define IDS_CLOSE                                2112
#define IDS_LOST_CONNECTION                      2118
#define IDS_ADD                                  2120
#define IDS_REMOVE                               2121
#define IDS_MODIFY                               2122
#define IDS_UP                                   2123
#define IDS_DOWN                                 2124
#define IDS_HOURS                                2126
#define IDS_MINUTES                              2127
#define IDS_SECONDS                              2128
#define IDS_S_ERROR_PLAYING_FILE                 2129
#define IDS_DAY_SUNDAY                           2145
#define IDS_DAY_MONDAY                           2146
#define IDS_DAY_TUESDAY                          2147
#define IDS_DAY_WEDNESDAY                        2148
#define IDS_DAY_THURSDAY                         2149
#define IDS_DAY_FRIDAY                           2150
#define IDS_DAY_SATURDAY                         2151
#define IDS_MONTH_JANUARY                        2152
#define IDS_MONTH_FEBRUARY                       2153
#define IDS_MONTH_MARCH                          2154
#define IDS_MONTH_APRIL                          2155
#define IDS_MONTH_MAY                            2156
#define IDS_MONTH_JUNE                           2157
#define IDS_MONTH_JULY                           2158
#define IDS_MONTH_AUGUST                         2159
#define IDS_MONTH_SEPTEMBER                      2160
#define IDS_MONTH_OCTOBER                        2161
#define IDS_MONTH_NOVEMBER                       2162
#define IDS_MONTH_DECEMBER                       2163
#define IDS_CONNECTIONS                          2165
#define IDS_RUN                                  2166
#define IDS_DISPLAY                              2167
#define IDS_SOUNDS                               2168
#define IDS_ADD_ITEM                             2171
#define IDS_MODIFY_ITEM                          2172
#define IDS_CLOSE_SETTINGS_FIRST                 2173
#define IDS_INCORRECT_VALUE                      2174
#define IDS_IN_RESET_PERIOD                      2175
#define IDS_NUMBER_MONTHS                        2176
#define IDS_NUMBER_WEEKS                         2177
#define IDS_NUMBER_DAYS                          2178
#define IDS_DAY                                  2184
#define IDS_HOUR                                 2185
#define IDS_MINUTE                               2186
#define IDS_SECOND                               2187
#define IDS_MONTH                                2189
#define IDS_YEAR                                 2190
#define IDS_NEXT_RESET_TIME_DATE                 2191
#define IDS_TIME_DATE_FUTURE_REQUIRED            2192
#define IDS_SAVE_ALL                             2193
#define IDS_UNDO_ALL                             2194
#define IDS_SAVE                                 2195
#define IDS_UNDO                                 2196
#define IDS_TIME_DATE_RANGE                      2197
#define IDS_SYSTEM_TOO_OLD                       2202
#define IDS_SYSTEM_UNKNOWN                       2203
#define IDS_STARTUP_FAILED                       2204
#define IDS_DIALTICK                             2205
#define IDS_DIALTICK_ERROR                       2206
#define IDS_BUTTON_OK                            2207
#define IDS_BUTTON_CANCEL                        2208
#define IDS_BUTTON_ABORT                         2209
#define IDS_BUTTON_RETRY                         2210
#define IDS_BUTTON_IGNORE                        2211
#define IDS_BUTTON_YES                           2212
#define IDS_BUTTON_NO                            2213
#define IDS_BUTTON_CLOSE                         2214
#define IDS_BUTTON_TRY_AGAIN                     2215
#define IDS_BUTTON_CONTINUE                      2216
#define IDS_OS_NT31                              2217
#define IDS_OS_32S                               2218

// clang-format on

#endif  // DIALTICK_RESOURCE_IDS_H
