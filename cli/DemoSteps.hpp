// The demo's steps: what each one does (simulator script lines) and what it shows.
#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class SimSession;

struct DemoStep {
  std::string slug;  // file-name part of its picture
  std::string title;
  std::vector<std::string> script;
  bool showTree = false;
  std::vector<std::string> notes;
  // Draws the step's picture, where pictures are built in.
  std::function<void(SimSession&, const std::filesystem::path&, const std::function<void(const std::string&)>& say)> picture;
};

std::vector<DemoStep> demoSteps();
