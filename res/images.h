// Skin image ids, sizes and channels; written by art/make_art.py beside images.rc.
#pragma once

#define IDP_SPARE_SHELL              131
#define IDP_SPARE_PANEL              132
#define IDP_MENU_NORMAL              133
#define IDP_MENU_PRESSED             134
#define IDP_MENU_HOVER               135
#define IDP_MENU_DISABLED            136
#define IDP_RECHECK_NORMAL           137
#define IDP_RECHECK_PRESSED          138
#define IDP_RECHECK_HOVER            139
#define IDP_RECHECK_DISABLED         140
#define IDP_MAIN_SHELL               141
#define IDP_MAIN_PANEL               142
#define IDP_CHECK_CELLS              143
#define IDP_CLOSE_NORMAL             144
#define IDP_CLOSE_PRESSED            145
#define IDP_CLOSE_HOVER              146
#define IDP_CLOSE_DISABLED           147
#define IDP_EXECUTE_SHELL            148
#define IDP_EXECUTE_PANEL            149
#define IDP_MIN_NORMAL               150
#define IDP_MIN_PRESSED              151
#define IDP_MIN_HOVER                152
#define IDP_MIN_DISABLED             153
#define IDP_PROMPT_SHELL             154
#define IDP_PROMPT_PANEL             155
#define IDP_BACK_TO_BACKUP_BLUE      156
#define IDP_BACK_TO_BACKUP_DARK      157
#define IDP_BACK_TO_BACKUP_SLATE     158
#define IDP_PROMPT_CLOSE_NORMAL      159
#define IDP_PROMPT_CLOSE_PRESSED     160
#define IDP_PROMPT_CLOSE_HOVER       161
#define IDP_NO_BLUE                  162
#define IDP_NO_DARK                  163
#define IDP_NO_SLATE                 164
#define IDP_CONFIRM_BACKUP_BLUE      165
#define IDP_CONFIRM_BACKUP_DARK      166
#define IDP_CONFIRM_BACKUP_SLATE     167
#define IDP_YES_BLUE                 168
#define IDP_YES_DARK                 169
#define IDP_YES_SLATE                170
#define IDP_FEEDBACK_SHELL           171
#define IDP_FEEDBACK_PANEL           172
#define IDP_FEEDBACK_CLOSE_NORMAL    173
#define IDP_FEEDBACK_CLOSE_PRESSED   174
#define IDP_FEEDBACK_CLOSE_HOVER     175
#define IDP_FEEDBACK_CLOSE_DISABLED  176
#define IDP_START_NORMAL             177
#define IDP_START_PRESSED            178
#define IDP_START_HOVER              179
#define IDP_START_DISABLED           180
#define IDP_SOLVED_NORMAL            181
#define IDP_SOLVED_PRESSED           182
#define IDP_SOLVED_HOVER             183
#define IDP_SOLVED_DISABLED          184
#define IDP_AGREEMENT_SHEET          185
#define IDP_UNSOLVED_NORMAL          186
#define IDP_UNSOLVED_PRESSED         187
#define IDP_UNSOLVED_HOVER           188
#define IDP_UNSOLVED_DISABLED        189
#define IDP_PROGRESS_TRACK           201
#define IDP_PROGRESS_FILL            202
#define IDP_BADGE                    203
#define IDP_START_DESIGN_NORMAL      204
#define IDP_START_DESIGN_PRESSED     205
#define IDP_START_DESIGN_HOVER       206
#define IDP_START_DESIGN_DISABLED    207
#define IDP_CONFIRM_BLUE             208
#define IDP_CONFIRM_DARK             209
#define IDP_CONFIRM_SLATE            210
#define IDP_MORE_SOLUTIONS_NORMAL    211
#define IDP_MORE_SOLUTIONS_PRESSED   212
#define IDP_MORE_SOLUTIONS_HOVER     213
#define IDP_MORE_SOLUTIONS_DISABLED  214
#define IDP_MORE_TOOLS_NORMAL        215
#define IDP_MORE_TOOLS_PRESSED       216
#define IDP_MORE_TOOLS_HOVER         217
#define IDP_MORE_TOOLS_DISABLED      218

#ifndef RC_INVOKED
struct SkinImageSpec {
    unsigned id, width, height;
    bool alpha;
};
// Every image the program carries, as the art was made.
static const SkinImageSpec kSkinImages[] = {
    {IDP_SPARE_SHELL, 610, 461, true},
    {IDP_SPARE_PANEL, 600, 450, false},
    {IDP_MENU_NORMAL, 26, 34, false},
    {IDP_MENU_PRESSED, 26, 34, false},
    {IDP_MENU_HOVER, 26, 34, false},
    {IDP_MENU_DISABLED, 26, 34, false},
    {IDP_RECHECK_NORMAL, 260, 69, true},
    {IDP_RECHECK_PRESSED, 260, 69, true},
    {IDP_RECHECK_HOVER, 260, 69, true},
    {IDP_RECHECK_DISABLED, 260, 69, true},
    {IDP_MAIN_SHELL, 410, 611, true},
    {IDP_MAIN_PANEL, 400, 600, false},
    {IDP_CHECK_CELLS, 48, 16, true},
    {IDP_CLOSE_NORMAL, 26, 34, false},
    {IDP_CLOSE_PRESSED, 26, 34, false},
    {IDP_CLOSE_HOVER, 26, 34, false},
    {IDP_CLOSE_DISABLED, 26, 34, false},
    {IDP_EXECUTE_SHELL, 232, 132, true},
    {IDP_EXECUTE_PANEL, 204, 104, true},
    {IDP_MIN_NORMAL, 26, 34, false},
    {IDP_MIN_PRESSED, 26, 34, false},
    {IDP_MIN_HOVER, 26, 34, false},
    {IDP_MIN_DISABLED, 26, 34, false},
    {IDP_PROMPT_SHELL, 330, 150, true},
    {IDP_PROMPT_PANEL, 320, 140, false},
    {IDP_BACK_TO_BACKUP_BLUE, 128, 24, false},
    {IDP_BACK_TO_BACKUP_DARK, 128, 24, false},
    {IDP_BACK_TO_BACKUP_SLATE, 128, 24, false},
    {IDP_PROMPT_CLOSE_NORMAL, 12, 12, false},
    {IDP_PROMPT_CLOSE_PRESSED, 12, 12, false},
    {IDP_PROMPT_CLOSE_HOVER, 12, 12, false},
    {IDP_NO_BLUE, 55, 24, false},
    {IDP_NO_DARK, 55, 24, false},
    {IDP_NO_SLATE, 55, 24, false},
    {IDP_CONFIRM_BACKUP_BLUE, 128, 24, false},
    {IDP_CONFIRM_BACKUP_DARK, 128, 24, false},
    {IDP_CONFIRM_BACKUP_SLATE, 128, 24, false},
    {IDP_YES_BLUE, 55, 24, false},
    {IDP_YES_DARK, 55, 24, false},
    {IDP_YES_SLATE, 55, 24, false},
    {IDP_FEEDBACK_SHELL, 410, 479, true},
    {IDP_FEEDBACK_PANEL, 400, 468, true},
    {IDP_FEEDBACK_CLOSE_NORMAL, 12, 12, false},
    {IDP_FEEDBACK_CLOSE_PRESSED, 12, 12, false},
    {IDP_FEEDBACK_CLOSE_HOVER, 12, 12, false},
    {IDP_FEEDBACK_CLOSE_DISABLED, 12, 12, false},
    {IDP_START_NORMAL, 284, 85, true},
    {IDP_START_PRESSED, 284, 85, true},
    {IDP_START_HOVER, 284, 85, true},
    {IDP_START_DISABLED, 284, 85, true},
    {IDP_SOLVED_NORMAL, 266, 60, true},
    {IDP_SOLVED_PRESSED, 266, 60, true},
    {IDP_SOLVED_HOVER, 266, 60, true},
    {IDP_SOLVED_DISABLED, 266, 60, true},
    {IDP_AGREEMENT_SHEET, 541, 402, true},
    {IDP_UNSOLVED_NORMAL, 266, 60, true},
    {IDP_UNSOLVED_PRESSED, 266, 60, true},
    {IDP_UNSOLVED_HOVER, 266, 60, true},
    {IDP_UNSOLVED_DISABLED, 266, 60, true},
    {IDP_PROGRESS_TRACK, 191, 9, true},
    {IDP_PROGRESS_FILL, 191, 9, true},
    {IDP_BADGE, 40, 20, true},
    {IDP_START_DESIGN_NORMAL, 259, 85, true},
    {IDP_START_DESIGN_PRESSED, 259, 85, true},
    {IDP_START_DESIGN_HOVER, 259, 85, true},
    {IDP_START_DESIGN_DISABLED, 259, 85, true},
    {IDP_CONFIRM_BLUE, 55, 24, false},
    {IDP_CONFIRM_DARK, 55, 24, false},
    {IDP_CONFIRM_SLATE, 55, 24, false},
    {IDP_MORE_SOLUTIONS_NORMAL, 266, 60, true},
    {IDP_MORE_SOLUTIONS_PRESSED, 266, 60, true},
    {IDP_MORE_SOLUTIONS_HOVER, 266, 60, true},
    {IDP_MORE_SOLUTIONS_DISABLED, 266, 60, true},
    {IDP_MORE_TOOLS_NORMAL, 58, 18, false},
    {IDP_MORE_TOOLS_PRESSED, 58, 18, false},
    {IDP_MORE_TOOLS_HOVER, 58, 18, false},
    {IDP_MORE_TOOLS_DISABLED, 58, 18, false},
};
#endif
