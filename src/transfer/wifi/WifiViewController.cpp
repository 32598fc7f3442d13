#include "transfer/wifi/WifiViewController.h"

#include "foundation/frame/PagewellAppDelegate.h"
#include "foundation/util/Utils.h"
#include "platform/core/Paths.h"
#include "platform/device/Device.h"
#include "platform/ui/Application.h"
#include "platform/ui/NavigationController.h"
#include "platform/ui/TableViewCell.h"
#include "transfer/wifi/IPHelper.h"
#include "transfer/wifi/RZHTTPConnection.h"

#include <cstdio>

namespace pw {

namespace {

constexpr const char* kTurnOn = "打开上传服务";
constexpr const char* kTurnOff = "关闭上传服务";
constexpr const char* kCheckNetwork = "请检查网络是否开启";
constexpr int kContainerTag = 1001;

constexpr const char* kLoopback = "127.0.0.1";

} // namespace

WifiViewController::~WifiViewController() {
    if (m_httpServer)
        m_httpServer->stop();
}

void WifiViewController::viewDidLoad() {
    setTitle("Wi-Fi 传书");
    auto v = view();
    if (auto* nav = navigationController(); nav && !nav->isNavigationBarHidden()) {
        const gfx::Rect bar = nav->navigationBar().frame();
        gfx::Rect f = v->frame();
        const double top = bar.y() + bar.height();
        if (f.y() < top) {
            f = gfx::Rect(f.x(), top, f.width(), f.height() - (top - f.y()));
            v->setFrame(f);
        }
    }
    v->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    m_table = ui::TableView::create(v->bounds(), ui::TableViewStyle::Grouped);
    m_table->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
    auto self = std::static_pointer_cast<WifiViewController>(shared_from_this());
    m_table->setDataSource(std::static_pointer_cast<ui::TableViewDataSource>(self));
    m_table->setTableDelegate(std::static_pointer_cast<ui::TableViewDelegate>(self));
    v->addSubview(m_table);
    m_arrMenuTitles = {kTurnOn};
    if (device::Device::current().idiom() == device::Idiom::Pad)
        setPadUIViewTableBackgroundImage(*m_table);
}

void WifiViewController::viewWillAppear(bool) {
    // An upload must not be cut off by the screen going dark.
    ui::Application::shared().setIdleTimerDisabled(true);
}

void WifiViewController::viewWillDisappear(bool) {
    ui::Application::shared().setIdleTimerDisabled(false);
}

bool WifiViewController::shouldAutorotateToInterfaceOrientation(device::Orientation o) const {
    return PagewellAppDelegate::allowsOrientation(o);
}

std::string WifiViewController::titleForHeader(ui::TableView&, int64_t) {
    return "手机和 PC 需在同一个局域网内，文件上传时请保持屏幕打开";
}

void WifiViewController::handleSwitchChoose(ui::Switch& sender) {
    m_isServerStarted = sender.isOn();
    m_arrMenuTitles.clear();
    if (!m_isServerStarted) {
        m_arrMenuTitles = {kTurnOn};
        if (m_httpServer && m_httpServer->isRunning())
            m_httpServer->stop();
        if (m_table)
            m_table->reloadData();
        return;
    }
    // No address at all: the rows change without a redraw and nothing
    // starts; the switch stays on, as the user left it.
    const auto addresses = IPHelper::listIPAddress();
    if (addresses.empty()) {
        m_arrMenuTitles = {kTurnOn};
        return;
    }
    // The first interface's address, or the second's when the first is the
    // loopback one; the loopback address alone is no address for a computer.
    std::string address = addresses.front().second;
    if (address == kLoopback) {
        if (addresses.size() < 2) {
            m_arrMenuTitles = {kTurnOff, kCheckNetwork};
            if (m_table)
                m_table->reloadData();
            return;
        }
        address = addresses[1].second;
    }
    if (!m_httpServer) {
        m_httpServer = HTTPServer::create();
        m_httpServer->setType("_http._tcp.");
        m_httpServer->setConnectionClass([](std::shared_ptr<AsyncTcpSocket> socket,
                                            std::shared_ptr<HTTPConfig> config) -> std::shared_ptr<HTTPConnection> {
            return std::make_shared<RZHTTPConnection>(std::move(socket), std::move(config));
        });
        m_httpServer->setDocumentRoot(core::Paths::resources().append("RZHttpServerSite").string());
    }
    m_arrMenuTitles = {kTurnOff};
    if (m_httpServer->start()) {
        char line[256];
        std::snprintf(line, sizeof line, "请用 PC 打开浏览器访问以下地址：http://%s:%d", address.c_str(),
                      static_cast<int>(m_httpServer->listeningPort()));
        m_arrMenuTitles.emplace_back(line);
    } else {
        m_arrMenuTitles.emplace_back("无法启动服务");
    }
    if (m_table)
        m_table->reloadData();
}

std::shared_ptr<ui::Label> WifiViewController::genLabelWithFrame(const gfx::Rect& frame, double fontSize,
                                                                 const std::string& text, ui::View& container) {
    auto label = ui::View::create<ui::Label>(frame);
    label->setFont(gfx::Font::boldSystemFont(fontSize));
    label->setBackgroundColor(gfx::Color::clear());
    label->setText(text);
    container.addSubview(label);
    return label;
}

std::shared_ptr<ui::Switch> WifiViewController::genSwitchWithContainer(ui::View& container, int tag) {
    auto sw = ui::View::create<ui::Switch>();
    const gfx::Size size = sw->sizeThatFits({});
    const gfx::Rect b = container.bounds();
    sw->setFrame(gfx::Rect(b.width() - size.width - 5, b.height() / 2 - size.height / 2, size.width, size.height));
    std::weak_ptr<WifiViewController> weak = std::static_pointer_cast<WifiViewController>(shared_from_this());
    sw->addTarget(
        [weak](ui::Control& c) {
            if (auto self = weak.lock())
                self->handleSwitchChoose(static_cast<ui::Switch&>(c));
        },
        ui::ControlEventValueChanged);
    sw->setOn(true);
    sw->setTag(tag);
    container.addSubview(sw);
    return sw;
}

std::shared_ptr<ui::TableViewCell> WifiViewController::cellForRow(ui::TableView& table, const ui::IndexPath& ip) {
    auto cell = table.dequeueReusableCell("Cell");
    if (!cell) {
        cell = ui::TableViewCell::create(ui::TableViewCellStyle::Default, "Cell");
        cell->accessoryType = ui::TableViewCellAccessory::None;
        cell->selectionStyle = ui::TableViewCellSelectionStyle::None;
        auto container = ui::View::create(cell->contentView().bounds());
        container->setAutoresizingMask(ui::FlexibleWidth | ui::FlexibleHeight);
        container->setTag(kContainerTag);
        cell->contentView().addSubview(container);
    }
    // Laid out at the row's size first, so the switch finds the right edge.
    cell->setFrame(gfx::Rect(0, 0, table.bounds().width(), heightForRow(table, ip)));
    cell->layoutSubviews();
    ui::View* container = nullptr;
    for (const auto& v : cell->contentView().subviews())
        if (v->tag() == kContainerTag)
            container = v.get();
    if (!container)
        return cell;
    container->setFrame(cell->contentView().bounds());
    while (!container->subviews().empty())
        container->subviews().back()->removeFromSuperview();
    const size_t row = static_cast<size_t>(ip.row);
    const std::string text = row < m_arrMenuTitles.size() ? m_arrMenuTitles[row] : std::string();
    if (row == 0) {
        auto label = genLabelWithFrame(gfx::Rect(10, 5, 170, 32), 13, text, *container);
        label->setAutoresizingMask(ui::FlexibleTopMargin | ui::FlexibleBottomMargin);
        auto sw = genSwitchWithContainer(*container, 0);
        sw->setAutoresizingMask(ui::FlexibleLeftMargin);
        sw->setOn(m_isServerStarted);
    } else {
        auto label = genLabelWithFrame(gfx::Rect(10, 5, 230, 52), 13, text, *container);
        label->setNumberOfLines(2);
        label->setAutoresizingMask(ui::FlexibleWidth);
    }
    return cell;
}

} // namespace pw
