#include "keys/agent_actions.h"

#include "keys/agent_notice.h"

#include <QCoreApplication>

namespace moorkeep::AgentActions {

namespace {

QString text(const char* source) {
    return QCoreApplication::translate("AgentActions", source);
}

} // namespace

Offer forKey(const SSHKey& key, const AgentState& agent) {
    Offer offer;
    offer.held = agent.holds(key);
    if (!agent.isRunning()) {
        offer.addTip = offer.removeTip = AgentNotice::text();
        return offer;
    }
    offer.canRemove = offer.held;
    offer.removeTip = offer.held ? text("Take the key out of the ssh-agent")
                                 : text("The agent does not hold the key");
    // A key without a private file has no known protection.
    offer.canAdd = !offer.held && key.hasPassphrase.has_value();
    offer.addTip = offer.held                      ? text("The agent holds the key already")
                   : key.hasPassphrase.has_value() ? text("Load the key into the ssh-agent")
                                                   : text("The private key file is missing");
    return offer;
}

} // namespace moorkeep::AgentActions
