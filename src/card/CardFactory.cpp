// SPDX-License-Identifier: GPL-3.0-or-later
#include "CardFactory.h"

#include "AD2var.h"
#include "CrashRest.h"
#include "HardwarePorts.h"

namespace vantor {

namespace {

// The ports are opened before the driver that uses them and closed after it.
struct OwnedPorts {
  std::unique_ptr<HardwarePorts> Ports;
};

class IsaCardOnHardwarePorts : private OwnedPorts, public AD2var {
 public:
  IsaCardOnHardwarePorts(std::unique_ptr<HardwarePorts> ports, std::int32_t adr1, std::int32_t adr2)
      : OwnedPorts{std::move(ports)}, AD2var(*OwnedPorts::Ports, adr1, adr2) {}
};

}  // namespace

std::unique_ptr<AcquisitionCard> MakeIsaCard(PortBus& bus, std::int32_t adr1, std::int32_t adr2) {
  return std::make_unique<AD2var>(bus, adr1, adr2);
}

CardOpener IsaCardOpener(PortBus& bus) {
  return [&bus](std::int32_t adr1, std::int32_t adr2) { return MakeIsaCard(bus, adr1, adr2); };
}

std::unique_ptr<AcquisitionCard> OpenIsaCardOnHardwarePorts(std::int32_t adr1, std::int32_t adr2) {
  const auto a1 = static_cast<std::uint16_t>(adr1 & 0xFFFF);
  const auto a2 = static_cast<std::uint16_t>(adr2 & 0xFFFF);
  auto card = std::make_unique<IsaCardOnHardwarePorts>(HardwarePorts::Open(a1, a2), adr1, adr2);
  CrashRest::Arm(a1, a2);
  return card;
}

}  // namespace vantor
