#pragma once

namespace bramlow {

// Restarting the machine sits behind this so the wizard can be tested without it happening.
class IComputerRestart {
 public:
  virtual ~IComputerRestart() = default;
  virtual void RestartComputer() = 0;
};

// The real one: forced restart, with the shutdown privilege enabled first on the NT family.
// Nothing is reported; without the privilege no restart happens.
class SystemRestart final : public IComputerRestart {
 public:
  void RestartComputer() override;
};

// Enables the shutdown privilege in the process token. True when the adjustment call
// succeeded (also when the token does not hold the privilege at all).
bool EnableShutdownPrivilege();

}  // namespace bramlow
