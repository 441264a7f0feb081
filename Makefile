# Set up, build, run and test QuaverLoom on Debian 12.
BUILD ?= build
JOBS ?= $(shell nproc)
CMAKE_FLAGS ?=
PREFIX ?= $(HOME)/.local

.PHONY: all setup configure build run test bench fuzz install clean

all: build

setup:
	@bash scripts/bootstrap

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo $(CMAKE_FLAGS)

configure: setup $(BUILD)/build.ninja

# CMake 3.25's Ninja generator does not re-run moc when a merge adds Q_OBJECT
# headers; a changed AutogenInfo.json means the moc step must run again.
build: configure
	@cmake $(BUILD) > /dev/null
	@for info in $(BUILD)/CMakeFiles/*_autogen.dir/AutogenInfo.json; do \
	  stamp=$(BUILD)/$$(basename $$(dirname $$info) .dir)/timestamp; \
	  [ ! -e "$$stamp" ] || [ "$$info" -ot "$$stamp" ] || rm -f "$$stamp"; \
	done
	cmake --build $(BUILD) -j $(JOBS)

run: build
	./$(BUILD)/quaverloom

test: build
	cd $(BUILD) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The program, its module, the launcher entry and the icon, under $(PREFIX).
install: build
	cmake --install $(BUILD) --prefix "$(PREFIX)" --strip

bench: build
	./$(BUILD)/bench/quaverloom_bench
	./$(BUILD)/bench/quaverloom_bench_ui
	./$(BUILD)/bench/quaverloom_flight_bench
	bench/startup.sh ./$(BUILD)/bench/quaverloom_startup_bench
	bench/startup.sh ./$(BUILD)/bench/quaverloom_onboarding_bench
	bench/startup.sh ./$(BUILD)/bench/quaverloom_long_title_bench 3
	bench/startup.sh ./$(BUILD)/bench/quaverloom_task_add_bench 3

fuzz: setup
	cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_COMPILER=clang++ -DQUAVERLOOM_BUILD_FUZZ=ON \
	  -DQUAVERLOOM_BUILD_TESTS=OFF -DQUAVERLOOM_BUILD_BENCH=OFF
	cmake --build build-fuzz -j $(JOBS) --target fuzz_decoders
	@mkdir -p fuzz/corpus
	@echo "Run: ./build-fuzz/fuzz/fuzz_decoders -max_total_time=180 -dict=fuzz/decoders.dict fuzz/corpus fuzz/seeds"

clean:
	rm -rf $(BUILD) build-fuzz
