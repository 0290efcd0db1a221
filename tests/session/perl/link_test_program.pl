#!/usr/bin/perl
# A Perl transaction program for the tests of the Perl program link (core modules only).
#
#   perl link_test_program.pl [--exit-early] <device> <environment> <device type>
#
# It connects to the scanner process on 127.0.0.1:6006 and serves one Perl transaction per transaction id it
# receives: it draws a screen, reads the operator's key, opens the data connection ("<<SKM_CONNECT>>", then
# 127.0.0.1:6007), sends a router request with the key ("<<SKM>>") and a MySQL statement ("<<MYSQL>>"), shows
# both answers, waits for one more key and ends the transaction with "<<MENU>>". With --exit-early it ends
# right after it received the transaction id, without a word.
use strict;
use warnings;
use IO::Socket::INET;
use IO::Select;

my $exit_early = 0;
if (@ARGV && $ARGV[0] eq '--exit-early') {
  $exit_early = 1;
  shift @ARGV;
}
my ($device, $environment, $type) = @ARGV;
$device //= 'unknown';
$| = 1;

sub connect_to {
  my ($port) = @_;
  for (1 .. 50) {
    my $socket = IO::Socket::INET->new(PeerAddr => '127.0.0.1', PeerPort => $port, Proto => 'tcp');
    if ($socket) {
      $socket->autoflush(1);
      return $socket;
    }
    select(undef, undef, undef, 0.1);
  }
  die "cannot connect to port $port: $!\n";
}

# Reads until the buffer holds a line feed; returns the line without it (undef at the end of the connection).
my %pending;
sub read_line {
  my ($socket) = @_;
  my $key = fileno($socket);
  $pending{$key} //= '';
  while ($pending{$key} !~ /\n/) {
    my $n = sysread($socket, my $bytes, 1024);
    return undef unless $n;
    $pending{$key} .= $bytes;
  }
  $pending{$key} =~ s/^([^\n]*)\n//;
  return $1;
}

# One chunk of the operator's input, blanks and line ends taken off.
sub read_key {
  my ($socket) = @_;
  my $n = sysread($socket, my $bytes, 1024);
  return undef unless $n;
  $bytes =~ s/^\s+|\s+$//g;
  return $bytes;
}

sub show {
  my ($socket, $row, $text) = @_;
  print {$socket} "\e[${row};1H\e[K$text";
  select(undef, undef, undef, 0.05);  # each screen write arrives as a chunk of its own
}

my $control = connect_to(6006);
print STDERR "connected for $device $environment $type\n";
my $data;

while (defined(my $transaction = read_line($control))) {
  print STDERR "transaction $transaction\n";
  exit 0 if $exit_early;
  print {$control} "\e[H\e[2J\e[1;1HPerl $transaction";
  select(undef, undef, undef, 0.05);
  show($control, 3, 'Key:');
  my $key = read_key($control);
  last unless defined $key;

  unless ($data) {
    select(undef, undef, undef, 0.05);
    print {$control} '<<SKM_CONNECT>>';
    my $blank = read_line($control);
    last unless defined $blank;
    $data = connect_to(6007);
  }
  print {$data} "<<SKM>> DDC100,1,tdilc0001,perl.echo,$key\n";
  my $reply = read_line($data) // '';
  $reply =~ s/^<<RES>>//;
  show($control, 5, 'Router:');
  show($control, 6, $reply);

  print {$data} "<<MYSQL>>INSERT INTO scans (device, code) VALUES ('$device', '$key')\n";
  my $answer = read_line($data) // '';
  $answer =~ s/^<<RES>>//;
  show($control, 8, $answer);
  show($control, 10, 'Done');

  last unless defined read_key($control);
  select(undef, undef, undef, 0.3);  # "<<MENU>>" must arrive alone
  print {$control} '<<MENU>>';
}
exit 0;
