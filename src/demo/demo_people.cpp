#include "demo/demo_people.h"

#include <fmt/format.h>

#include "demo/demo_random.h"

namespace hp::demo {
namespace {

const char* const kFirstNames[] = {
    "Nimal",   "Kamal",    "Sunil",   "Ajith",    "Chaminda", "Ruwan",   "Pradeep", "Mahesh",
    "Sanath",  "Asanka",   "Nuwan",   "Lasantha", "Dinesh",   "Roshan",  "Tharindu", "Kasun",
    "Kumari",  "Shyamali", "Dilani",  "Nirosha",  "Sandya",   "Chandra", "Malini",  "Anoma",
    "Priyanka", "Thilini", "Sewwandi", "Ishara",  "Rukshan",  "Janaka",  "Upul",    "Gayan",
    "Mohamed", "Fathima",  "Rizwan",  "Suresh",   "Kumaran",  "Lakshmi", "Vijay",   "Anton"};

const char* const kSurnames[] = {
    "Perera",      "Fernando",    "Silva",      "de Silva",    "Jayasinghe", "Wickramasinghe",
    "Bandara",     "Dissanayake", "Rajapaksha", "Gunawardena", "Herath",     "Karunaratne",
    "Senanayake",  "Wijesinghe",  "Ranasinghe", "Kumara",      "Rathnayake", "Abeysekera",
    "Amarasinghe", "Weerasinghe", "Samarasinghe", "Liyanage",  "Peiris",     "Mendis",
    "Jayawardena", "Ekanayake",   "Gamage",     "Hettiarachchi", "Munasinghe", "Nanayakkara",
    "Rodrigo",     "Cooray",      "Marikar",    "Sivakumar",  "Thambiah",   "Pathirana"};

const char* const kStreets[] = {
    "Galle Road",    "Kandy Road",     "Main Street",  "Temple Road",  "Station Road",
    "Hospital Road", "Lake Road",      "School Lane",  "Church Street", "Market Road",
    "Negombo Road",  "High Level Road", "Baseline Road", "Old Road",   "Perera Mawatha"};

const char* const kTowns[] = {
    "Colombo 5",  "Dehiwala", "Moratuwa", "Panadura", "Kalutara",    "Gampaha",  "Negombo",
    "Kurunegala", "Kandy",    "Matale",   "Galle",    "Matara",      "Ratnapura", "Anuradhapura",
    "Polonnaruwa", "Badulla", "Chilaw",   "Kegalle",  "Hambantota", "Jaffna"};

const char* const kProvinces[] = {"WP", "CP", "SP", "NW", "SG", "NC", "UVA"};
const char kPlateLetters[] = "ABCDEGHJKLMNPQRSTUVWXYZ";
const char kMobileCodes[] = "0125678";

std::string Address(DemoRandom& r) {
  return fmt::format("No. {}, {}, {}", r.Between(1, 450), r.Pick(kStreets), r.Pick(kTowns));
}

std::string Registration(DemoRandom& r) {
  std::string letters;
  for (int i = 0; i < 3; ++i) letters += kPlateLetters[r.Between(0, sizeof kPlateLetters - 2)];
  return fmt::format("{} {}-{:04}", r.Pick(kProvinces), letters, r.Between(1, 9999));
}

}  // namespace

DemoCustomer MakeCustomer(std::uint64_t seed, int id, double unverified_share) {
  DemoRandom r = DemoRandom::Stream(seed, 'C', static_cast<std::uint64_t>(id));
  DemoCustomer c;
  c.id = id;
  c.name = fmt::format("{} {}", r.Pick(kFirstNames), r.Pick(kSurnames));
  c.nic = fmt::format("{:02}{:07}V", r.Between(45, 99), r.Between(0, 9999999));
  c.permanent_address = Address(r);
  c.present_address = r.Chance(0.7) ? c.permanent_address : Address(r);
  c.mobile = fmt::format("07{}{:07}", kMobileCodes[r.Between(0, sizeof kMobileCodes - 2)],
                         r.Between(0, 9999999));
  c.verified = !r.Chance(unverified_share);
  c.registrations.push_back(Registration(r));
  if (r.Chance(0.2)) c.registrations.push_back(Registration(r));
  return c;
}

const std::vector<std::string>& DemoBanks() {
  static const std::vector<std::string> banks = {
      "People's Bank",  "Bank of Ceylon", "Commercial Bank", "Hatton National Bank",
      "Sampath Bank",   "Seylan Bank",    "Nations Trust Bank", "DFCC Bank"};
  return banks;
}

}  // namespace hp::demo
