#include "carddav/DavMultistatus.h"

#include <pugixml.hpp>

#include <cstring>

namespace tamberlink {

namespace {

const char* LocalName(const pugi::xml_node& node) {
    const char* name = node.name();
    const char* colon = std::strrchr(name, ':');
    return colon != nullptr ? colon + 1 : name;
}

bool Is(const pugi::xml_node& node, const char* local) {
    return node.type() == pugi::node_element && std::strcmp(LocalName(node), local) == 0;
}

pugi::xml_node Child(const pugi::xml_node& node, const char* local) {
    for (const pugi::xml_node& child : node.children()) {
        if (Is(child, local)) {
            return child;
        }
    }
    return {};
}

std::string Trimmed(const char* text) {
    std::string_view view(text);
    const auto first = view.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = view.find_last_not_of(" \t\r\n");
    return std::string(view.substr(first, last - first + 1));
}

// The text of the first <href> inside `node`.
std::string HrefIn(const pugi::xml_node& node) {
    const pugi::xml_node href = Child(node, "href");
    return href ? Trimmed(href.child_value()) : std::string();
}

void ReadProps(const pugi::xml_node& prop, DavResource& resource) {
    for (const pugi::xml_node& property : prop.children()) {
        if (Is(property, "getetag")) {
            resource.etag = Trimmed(property.child_value());
        } else if (Is(property, "displayname")) {
            resource.displayName = Trimmed(property.child_value());
        } else if (Is(property, "resourcetype")) {
            resource.collection = bool(Child(property, "collection"));
            resource.addressBook = bool(Child(property, "addressbook"));
        } else if (Is(property, "current-user-principal")) {
            resource.principal = HrefIn(property);
        } else if (Is(property, "addressbook-home-set")) {
            resource.addressHome = HrefIn(property);
        } else if (Is(property, "address-data")) {
            resource.addressData = property.child_value();
        }
    }
}

} // namespace

int StatusOfLine(std::string_view line) {
    const auto space = line.find(' ');
    if (!line.starts_with("HTTP/") || space == std::string_view::npos || line.size() < space + 4) {
        return 0;
    }
    int status = 0;
    for (std::size_t i = space + 1; i < space + 4; ++i) {
        if (line[i] < '0' || line[i] > '9') {
            return 0;
        }
        status = status * 10 + (line[i] - '0');
    }
    return status;
}

DavMultistatus ReadMultistatus(std::string_view body) {
    DavMultistatus result;
    pugi::xml_document document;
    const pugi::xml_parse_result parsed = document.load_buffer(
        body.data(), body.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!parsed) {
        result.error = std::string("XML: ") + parsed.description();
        return result;
    }
    const pugi::xml_node root = document.document_element();
    if (!Is(root, "multistatus")) {
        result.error = "no multistatus in the answer";
        return result;
    }
    for (const pugi::xml_node& node : root.children()) {
        if (Is(node, "sync-token")) {
            result.syncToken = Trimmed(node.child_value());
            continue;
        }
        if (!Is(node, "response")) {
            continue;
        }
        DavResource& resource = result.resources.emplace_back();
        resource.href = HrefIn(node);
        if (const pugi::xml_node status = Child(node, "status")) {
            resource.status = StatusOfLine(Trimmed(status.child_value()));
        }
        for (const pugi::xml_node& propstat : node.children()) {
            if (!Is(propstat, "propstat")) {
                continue;
            }
            const int status = StatusOfLine(Trimmed(Child(propstat, "status").child_value()));
            // Properties the server does not have come in a propstat of their own (404).
            if (status != 0 && status / 100 != 2) {
                if (resource.status == 0) {
                    resource.status = status;
                }
                continue;
            }
            if (status != 0) {
                resource.status = status;
            }
            ReadProps(Child(propstat, "prop"), resource);
        }
        if (resource.href.empty()) {
            result.resources.pop_back();
        }
    }
    return result;
}

} // namespace tamberlink
