// The address other machines of the local network reach this one at.
#pragma once

#include <string>

namespace zd
{

// The first IPv4 address of an interface that is up and not the loopback;
// the loopback address when the machine has no other.
std::string networkAddress();

} // namespace zd
