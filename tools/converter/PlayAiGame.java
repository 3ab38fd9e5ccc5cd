// Lets TripleA's "Fast (AI)" players play a game definition for a number of rounds without a
// window, then saves the game: real saved games for trying and testing the import.
//
//   java -Duser.home=HOME -classpath <this folder>:<TripleA jar> PlayAiGame GAME_FILE ROUNDS OUTPUT
//
// TripleA looks for the game's map in HOME/triplea/downloadedMaps/<map name> and for its
// game_engine.properties in the working folder; quelm_play_ai_game prepares both. The game is
// saved when round ROUNDS + 1 begins, so it holds ROUNDS whole rounds (and at most the step
// that was starting), or earlier when a side has won. Exit code 0 when the game was saved, 1
// with one line on standard error otherwise.

import games.strategy.engine.data.GameData;
import games.strategy.engine.data.GameParser;
import games.strategy.engine.data.PlayerID;
import games.strategy.engine.framework.GameDataManager;
import games.strategy.engine.framework.ServerGame;
import games.strategy.engine.gamePlayer.IGamePlayer;
import games.strategy.net.HeadlessServerMessenger;
import games.strategy.net.Messengers;
import games.strategy.triplea.settings.ClientSetting;
import java.io.BufferedOutputStream;
import java.io.File;
import java.io.FileInputStream;
import java.io.IOException;
import java.io.InputStream;
import java.io.OutputStream;
import java.nio.file.Files;
import java.nio.file.Path;
import java.nio.file.StandardCopyOption;
import java.util.HashMap;
import java.util.LinkedHashMap;
import java.util.Map;
import java.util.Set;
import java.util.concurrent.CountDownLatch;
import java.util.concurrent.TimeUnit;
import java.util.concurrent.atomic.AtomicReference;

public final class PlayAiGame {
    private static final String PLAYER_TYPE = "Fast (AI)";

    public static void main(String[] arguments) {
        if (arguments.length != 3 || !isPositiveNumber(arguments[1])) {
            System.err.println("usage: PlayAiGame GAME_FILE ROUNDS OUTPUT (ROUNDS at least 1)");
            System.exit(2);
        }
        try {
            play(new File(arguments[0]), Integer.parseInt(arguments[1]),
                new File(arguments[2]).getAbsoluteFile());
        } catch (Exception e) {
            String message = e.getMessage() == null ? e.toString() : e.getMessage();
            System.err.println("PlayAiGame: " + message.replace('\n', ' '));
            System.exit(1);
        }
        // The players' and messengers' threads do not end on their own.
        System.exit(0);
    }

    private static boolean isPositiveNumber(String text) {
        return text.matches("[0-9]{1,4}") && Integer.parseInt(text) > 0;
    }

    static void play(File gameFile, int rounds, File output) throws Exception {
        // Without a window: TripleA's headless mode, in which a victory ends the game instead
        // of asking in a dialog whether to go on.
        System.setProperty("triplea.headless", "true");
        // The AI players wait between their moves so that a person can follow them; not here.
        ClientSetting.AI_PAUSE_DURATION.save("0");
        ClientSetting.flush();

        GameData data = parse(gameFile);
        Map<String, String> playerTypes = new LinkedHashMap<>();
        for (PlayerID player : data.getPlayerList().getPlayers()) {
            playerTypes.put(player.getName(), PLAYER_TYPE);
        }
        Set<IGamePlayer> players = data.getGameLoader().createPlayers(playerTypes);
        ServerGame game = new ServerGame(
            data, players, new HashMap<>(), new Messengers(new HeadlessServerMessenger()));
        CountDownLatch roundsPlayed = new CountDownLatch(1);
        game.addGameStepListener((stepName, delegateName, player, round, displayName) -> {
            if (round > rounds) {
                roundsPlayed.countDown();
            } else {
                System.out.println("Round " + round + " - " + displayName
                    + (player == null ? "" : " - " + player.getName()));
            }
        });
        data.getGameLoader().startGame(game, players, true);
        Thread running = new Thread(game::startGame, "AI game");
        running.setDaemon(true);
        running.start();
        while (!roundsPlayed.await(1, TimeUnit.SECONDS)) {
            if (!running.isAlive() || !game.isGameSequenceRunning()) {
                System.out.println("The game is over.");
                break;
            }
        }
        game.stopGame();
        running.join();
        save(data, output);
    }

    private static GameData parse(File gameFile) throws Exception {
        try (InputStream in = new FileInputStream(gameFile)) {
            return new GameParser(gameFile.getPath()).parse(in, new AtomicReference<>(), false);
        }
    }

    // Saved beside the output first and renamed, so a reader never sees half a game.
    private static void save(GameData data, File output) throws IOException {
        Path folder = output.toPath().getParent();
        Path temporary = Files.createTempFile(folder, output.getName() + ".", ".part");
        try {
            try (OutputStream out = new BufferedOutputStream(Files.newOutputStream(temporary))) {
                GameDataManager.saveGame(out, data);
            }
            Files.move(temporary, output.toPath(), StandardCopyOption.REPLACE_EXISTING);
        } finally {
            Files.deleteIfExists(temporary);
        }
    }
}
