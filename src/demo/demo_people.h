// Believable HP customers for the demo database: names, identity card
// numbers, addresses, mobile numbers and the registration numbers of the
// items bought. Made from the seed and the customer's number alone, so a
// customer is the same whatever else the database holds.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hp::demo {

struct DemoCustomer {
  int id = 0;
  std::string name;
  std::string nic;  // nine digits and "V", as on the older identity cards
  std::string permanent_address;
  std::string present_address;
  std::string mobile;
  bool verified = true;
  std::vector<std::string> registrations;  // one, some customers two
};

// `unverified_share` of the customers (0..1) are not verified.
DemoCustomer MakeCustomer(std::uint64_t seed, int id, double unverified_share);

// The banks the cheques are drawn on.
const std::vector<std::string>& DemoBanks();

}  // namespace hp::demo
