// The main screen's control ids, the commands of its slot menu and its fixed places: shared by the
// window, the parts that run those commands and the programs that drive the screen by id.
#pragma once

#include <QRect>

struct MainScreenIds {
    enum ControlIds {
        kVideoId = 1144,
        kPhotoId = 1094,
        kFrameId = 1172,
        kBaseId = 1173,
        kSlotAreaId = 1083,
        kCountdownId = 1186,
        kCameraId = 1142,
        kFrameShownId = 1084,
        kShootId = 1140,
        kUsePictureId = 1174,
        kPreviousFrameId = 1176,
        kNextFrameId = 1177,
        kPreviousPhotoId = 1178,
        kNextPhotoId = 1179,
        kSelectFrameId = 1185,
        kSelectPhotoId = 1192,
        kAddFrameId = 1191,
        kAddPhotoId = 1193,
        kSavePictureId = 1135,
        kPrintId = 1196,
        kOpenProjectId = 1197,
        kSaveProjectId = 1198,
        kConfigureId = 1194,
        kLayout0Id = 1180,
        kDevicesId = 1126,
        kAboutId = 1245,
        kHomeId = 1091,
        kHelpId = 1248,
        kMinimiseId = 1247,
        kCloseId = 1175,
        kFolderHintId = 1136,
        kShareId = 1280, ///< Share: the sheet's phone link (shown while sharing is on)
    };
    /// Commands of the slot menu "Combination".
    enum SlotCommand { CmdCopy = 1, CmdPaste, CmdRemove, CmdClear, CmdToEditArea, CmdApplyToAll };

    /// How often the Print button's mark asks the print server (ms).
    static constexpr int kPrinterWatchInterval = 5000;
    /// What the screen ends with when kiosk mode was switched in the configuration dialog and
    /// the program should present it the other way.
    static constexpr int kPresentationChanged = 3;
    /// Where the picture (live camera, or photo under its frame) is, in client coordinates.
    static constexpr QRect kPictureRect { 29, 59, 320, 240 };
    /// Where Share lies: in the corner below the slots, under the countdown's line.
    static constexpr QPoint kSharePlace { 674, 556 };
    /// The size every shot is composed at.
    static constexpr int kShotWidth = 320;
    static constexpr int kShotHeight = 240;
};
