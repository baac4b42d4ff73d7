#pragma once
// The document's raster maps: the map list, the current map's description
// (mapinfo.dat), the linear pixel/geo mapping of the display window, and the
// tile window itself (3 x 3 tiles, more on a view wider or taller than two
// tiles). Qt-free; the GUI paints window() and calls the operations below with
// its client rectangle.

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "maps/MapImage.h"
#include "maps/MapInfo.h"
#include "maps/MapList.h"
#include "platform/AtomicFile.h"
#include "platform/UserPrompt.h"

namespace korvance {

struct ClientRect {
    int left = 0, top = 0, right = 0, bottom = 0;
};

struct TileBounds {
    double top = 0, bottom = 0, left = 0, right = 0;
};

struct MapPoint {
    int x = 0, y = 0;
    bool operator==(const MapPoint&) const = default;
};

class MapSet {
public:
    MapSet();

    // ---- files and the map list
    MapList& list() { return list_; }
    const MapList& list() const { return list_; }
    bool LoadMapList(const std::string& path, const CodePage& codePage) {
        knownBounds_.clear();
        return list_.load(path, codePage);
    }
    int LoadMapInfo(const std::string& path, UserPrompt& prompt);
    int ReloadMapInfo(UserPrompt& prompt);
    // Writes the current map's mapinfo.dat from two calibration points; 0 (nothing
    // written, the old file intact) when the points share a pixel row or column, no
    // map is loaded, or the write fails. The problem is shown through the prompt.
    int WriteMapInfo(const CalibrationPoint& p1, const CalibrationPoint& p2, UserPrompt& prompt);
    // Bounds of another map, for the automatic choice. Outputs start at -200, 90, 200, -90.
    static int ReadMapBounds(const std::string& path, double& left, double& top, double& right, double& bottom,
                             UserPrompt& prompt);
    void DiscardMap();

    bool hasMap() const { return !tileBounds_.empty(); }
    const MapInfo& info() const { return info_; }
    const std::string& mapFolder() const { return folder_; }
    const std::string& mapInfoPath() const { return infoPath_; }
    std::string tilePath(int tile) const;
    const std::vector<TileBounds>& tileBounds() const { return tileBounds_; }

    // ---- mapping between positions and pixels
    MapPoint GeoToView(double latitude, double longitude) const;
    // GeoToView in two steps: the window pixel, which depends only on the window's
    // bounds and size (windowMapping), then the scroll origin taken off.
    MapPoint GeoToWindow(double latitude, double longitude) const;
    MapPoint WindowToView(MapPoint window) const;
    // Everything GeoToWindow depends on; equal mappings give equal window pixels.
    struct WindowMapping {
        int width = 0, height = 0;
        uint64_t top = 0, bottom = 0, left = 0, right = 0;  // the bounds' bit patterns
        bool operator==(const WindowMapping&) const = default;
    };
    WindowMapping windowMapping() const;
    void ViewToGeo(int x, int y, double& latitude, double& longitude) const;
    void SetWindowGeometry(int width, int height, double top, double bottom, double left, double right);
    int GetWindowBounds(double& top, double& bottom, double& left, double& right) const;
    void SetScrollOrigin(int x, int y, const ClientRect& client);
    // The view's corner on the window's first pixel that holds the map: the map's
    // top-left corner once the window holds tile 0, even on a map narrower than the window.
    void ResetScrollOrigin();
    MapPoint ViewToMapPixel(int x, int y) const;
    int TileAt(double latitude, double longitude) const;
    int CentreOn(const ClientRect& client, double latitude, double longitude, int heading, UserPrompt& prompt);
    std::optional<std::string> ChooseMapAt(double latitude, double longitude, UserPrompt& prompt);

    // ---- the tile window
    int LoadWindow(int tile, UserPrompt& prompt);
    // The view's size: the window has 2h + 1 columns of tiles with h = width / (2 x tile
    // width) + 1 (rows likewise), at least 3 x 3 and no more than the map needs. A change
    // of layout reloads the window around the same ground. 0 x 0 (the start): 3 x 3.
    void setViewSize(int width, int height, UserPrompt& prompt);
    // Copies the window from the scroll origin (from (0, 0) without a map) into the
    // rectangle of `target`. Returns 0 when there is nothing to copy.
    int DrawWindow(RasterImage& target, int left, int top, int right, int bottom) const;
    int ViewInsideWindow(const ClientRect& client) const;
    int SlotAtViewCentre(const ClientRect& client) const;
    int RecentreTarget(int slot) const;
    void MakeBlank();
    // Tile in slot k around centre m, -1 outside the grid. Slots are numbered row by
    // row, slotColumns() to a row.
    int SlotTile(int m, int slot) const;
    int slotColumns() const { return 2 * halfColumns_ + 1; }
    int slotRows() const { return 2 * halfRows_ + 1; }
    int slotCount() const { return slotColumns() * slotRows(); }

    // The window's pixels: the tiles around the centre while a map is loaded, else the blank
    // (white, screen-sized) image.
    const RasterImage& window() const { return hasMap() && windowReady_ ? window_ : blank_; }
    bool blank() const { return !(hasMap() && windowReady_); }
    void setScreenSize(int width, int height);
    // Counts how often the window changed (the cursor background is discarded on each).
    uint64_t windowChanges() const { return windowChanges_; }

    int windowWidth() const { return windowWidth_; }
    int windowHeight() const { return windowHeight_; }
    int originX() const { return originX_; }
    int originY() const { return originY_; }
    int centreTile() const { return centreTile_; }
    int previousCentreTile() const { return previousCentre_; }
    MapPoint lastCentrePoint() const { return lastCentre_; }
    MapPoint lookAheadOffset() const { return lookAhead_; }

    // Tile reads since construction (successful or not), and the tiles read by the last LoadWindow.
    uint64_t tileReads() const { return tileReads_; }
    const std::vector<int>& lastReadTiles() const { return lastRead_; }

private:
    struct Span {
        int begin, end;  // window pixels [begin, end)
    };
    void resetWindow();
    void chooseLayout();
    bool createWindow(UserPrompt& prompt);
    // The centre that a load asked for t gets: t itself where every slot around it holds
    // a tile, else the first tile of t's window, row by row, where they do.
    int centreFor(int t) const;
    // The window pixels that hold tiles of the map, across and down.
    Span filledColumns() const;
    Span filledRows() const;
    // False (the slot cleared) when the tile cannot be read.
    bool readTile(int slot, int tile);
    void shiftWindow(int dx, int dy);
    void clearSlot(int slot);
    // ReadMapBounds for the automatic choice, which runs at every navigation tick:
    // a list entry's bounds are read again only when its file changed, so a tick
    // opens no files and a broken entry is reported once, not at every tick.
    // Whether a file changed is looked at no more than once a second (`recheck`).
    int knownBounds(const std::string& path, double& left, double& top, double& right, double& bottom,
                    bool recheck, UserPrompt& prompt);
    struct KnownBounds {
        std::string path;
        FileStamp stamp;
        int result = 0;
        double left = 0, top = 0, right = 0, bottom = 0;
    };
    std::vector<KnownBounds> knownBounds_;
    std::chrono::steady_clock::time_point boundsChecked_{};

    MapList list_;
    MapInfo info_;
    std::string folder_;    // with its trailing '/'
    std::string infoPath_;
    std::vector<TileBounds> tileBounds_;

    int windowWidth_ = 100, windowHeight_ = 100;
    int halfColumns_ = 1, halfRows_ = 1;  // slots on each side of the centre
    int viewWidth_ = 0, viewHeight_ = 0;
    double windowTop_ = 0, windowBottom_ = 0, windowLeft_ = 0, windowRight_ = 0;
    int originX_ = 0, originY_ = 0;
    int centreTile_ = -1, previousCentre_ = -1;
    MapPoint lastCentre_{-1, -1};

    MapPoint lookAhead_{0, 0};
    int lookAheadHeading_ = 0;

    RasterImage window_;
    bool windowReady_ = false;
    RasterImage blank_;
    int screenWidth_ = 1024, screenHeight_ = 768;
    RasterImage scratch_;  // a BMP tile on its way into the window (PNG tiles decode straight in)
    uint64_t windowChanges_ = 0;
    uint64_t tileReads_ = 0;
    std::vector<int> lastRead_;
};

}  // namespace korvance
